#!/usr/bin/env python3
"""Writes the sample master table set KRAVinTBL/ beside this script.

The set is a plausible stand-in for a real table set: every station and card kind
the suite knows, with versions, bus line and speed; a valid-block table per kind
version; block definitions of a representative set of function blocks; and the
master lists. Run it again after changing it and commit the generated files.
"""
import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "KRAVinTBL")

# ---------------------------------------------------------------- kinds
# (name, bus line, speed, value, versions)
STATIONS = [
    ("RNH6", "UBus", 9600, 16, ["1.00", "1.10"]),
    ("RNZ6", "UBus", 9600, 16, ["1.00"]),
    ("RNJ6", "UBus", 9600, 16, ["1.00"]),
    ("63NW", "UBus", 9600, 16, ["1.00"]),
    ("TQNW", "UBus", 9600, 16, ["1.00"]),
    ("V8RTU", "YBus", 57600, 16, ["1.00", "2.00"]),
    ("TJK5", "YBus", 1200, 1, ["1.00"]),
]

QV_MODELS = ["QV100", "QV110", "QV200", "QV200B", "QV200BX", "QV200C", "QV200D",
             "QV200E", "QV200W", "QV200X", "QV210", "QV210W"]

CARDS = [
    ("QV100", "YBus", 9600, 1, ["1.00"]),
    ("QV110", "YBus", 9600, 1, ["1.00"]),
    ("QV200", "YBus", 9600, 1, ["1.00", "1.10", "1.20"]),
    ("QV200B", "YBus", 9600, 1, ["1.00", "2.00"]),
    ("QV200BX", "YBus", 9600, 1, ["1.00", "1.30"]),
    ("QV200C", "YBus", 9600, 1, ["1.00"]),
    ("QV200D", "YBus", 9600, 1, ["1.00"]),
    ("QV200E", "YBus", 57600, 1, ["1.00"]),
    ("QV200W", "YBus", 57600, 2, ["1.00"]),
    ("QV200X", "YBus", 9600, 1, ["1.00", "1.60"]),
    ("QV210", "YBus", 9600, 1, ["1.00"]),
    ("QV210W", "YBus", 57600, 2, ["1.00"]),
    ("V8RTU", "YBus", 57600, 1, ["1.00", "2.00"]),
    ("TQRQ", "UBus", 9600, 6, ["1.00"]),
    ("TQRQ$", "UBus", 9600, 1, ["1.00"]),
    ("TQRC", "UBus", 9600, 6, ["1.00"]),
    ("TQRC$", "UBus", 9600, 1, ["1.00"]),
    ("TQRJ", "UBus", 9600, 1, ["1.00"]),
    ("TQRN", "UBus", 9600, 1, ["1.00"]),
    ("TQRW", "UBus", 1200, 1, ["1.00"]),
    ("63WH", "UBus", 1200, 1, ["1.00"]),
    ("TQNW2", "UBus", 9600, 1, ["1.00"]),
    ("TQGW2", "UBus", 9600, 1, ["1.00"]),
    ("RNH6", "UBus", 9600, 1, ["1.00"]),
    ("KMQ", "YBus", 9600, 1, ["1.00"]),
    ("PWZ", "YBus", 9600, 1, ["1.00"]),
    ("TJK5", "YBus", 1200, 1, ["1.00"]),
    ("TJW", "YBus", 9600, 1, ["1.00", "1.10"]),
]

IR_CARDS = ["TJK5", "TJW"]


def kind8(name):
    return (name + " " * 8)[:8]


# ---------------------------------------------------------------- block definitions
# Item: (type, name, abbreviation, unit, default, range). Terminal: (type, name, abbr, item).

def core(int_n, float_n):
    """The items every function block starts with: one of each common type."""
    return [
        ("CHAR08", "Tag name", "TAG", "", "", ""),
        ("CHAR16", "Comment", "CMT", "", "", ""),
        ("FLAG", '"0:OFF,1:ON"Operation', "OPE", "", "0", "0;1"),
        ("HEX_FLAG", '"0:Normal,F:Test"Test mode', "TST", "", "0", "0;F"),
        ("CHAR_FLAG", '"A:Auto,M:Manual"Mode', "MOD", "", "A", "A;M"),
        ("FACTORIAL", "Scan period", "SCN", "x100ms", "1", "1;2;4;8;16;32;64"),
        ("INT%d" % int_n, "Priority", "PRI", "", "1", "1;3;10_20"),
        ("FLOAT%d" % float_n, "Gain", "GAN", "", "1." + "0" * float_n, "0.0_100.0"),
        ("FA_FLOAT%d" % max(2, float_n), "Internal value", "INV", "", "0", ""),
        ("NONE", "Reserved", "", "", "", ""),
    ]


def analog_block(int_n, float_n, inputs, outputs, extra=()):
    """A function block: core items, ANACOM inputs from item 11, outputs from item 20."""
    items = padded(core(int_n, float_n), 11, [])
    for i in range(inputs):
        items.append(("ANACOM", "Input %d" % (i + 1), "IN%d" % (i + 1), "", "0000", ""))
    while len(items) < 20:
        items.append(("NON", "", "", "", "", ""))
    for i in range(outputs):
        items.append(("FLOAT%d" % float_n, "Output %d" % (i + 1), "OT%d" % (i + 1), "%", "0.0", "-9999_9999"))
    items.append(("FLAG", '"0:Off,1:On"Alarm', "ALM", "", "0", "0;1"))
    items.extend(extra)
    terms = [("A", "Input %d" % (i + 1), "IN%d" % (i + 1), 11 + i) for i in range(inputs)]
    terms += [("A", "Output %d" % (i + 1), "OT%d" % (i + 1), 20 + i) for i in range(outputs)]
    terms.append(("D", "Alarm", "ALM", 20 + outputs))
    return items, terms


def normalised(items):
    """Items with each FLOATn default written with n decimals, as the tool stores it."""
    out = []
    for item in items:
        kind, default = item[0], item[4]
        if kind.startswith("FLOAT") and kind[5:].isdigit() and default:
            item = item[:4] + ("%.*f" % (int(kind[5:]), float(default)),) + item[5:]
        out.append(item)
    return out


def padded(items, at, more):
    items = list(items)
    while len(items) < at:
        items.append(("NON", "", "", "", "", ""))
    return items + list(more)


def sys_block():
    """Group 0: items 0 (unit selector) and 1 (write mode) control the device; they are
    written by the transfers themselves and never sent as data."""
    items = [
        ("FA_INT1", "Unit selector", "SEL", "", "0", ""),
        ("FA_INT1", "Write mode", "WRM", "", "0", ""),
        ("CHAR16", "Unit name", "UNM", "", "", ""),
        ("GROUP", "Monitor group", "GRP", "", "00", "00_99"),
        ("FLAG", '"0:STOP,1:RUN"Run mode', "RUN", "", "0", "0;1"),
        ("INT8", "Watchdog time", "WDT", "ms", "1000", "100_99999999"),
        ("INT5", "Retry count", "RTY", "", "3", "0_9"),
        ("FLOAT4", "Cycle time", "CYC", "s", "0.1000", "0.0_10.0"),
        ("FA_FLOAT4", "Measured cycle", "MCY", "s", "0", ""),
    ]
    items = padded(items, 11, [("INT4", "Scan counter", "SCC", "", "0", "0_9999")])
    items = padded(items, 48, [
        ("CHAR06", "Serial number", "SNO", "", "", ""),
        ("CHAR05", "Lot number", "LOT", "", "", ""),
        ("CHAR04", "Hardware code", "HWC", "", "", ""),
        ("CARD", "Card number", "CRD", "", "0", "0_F"),
        ("CHAR04", "Unit ID", "UID", "", "0000", ""),
    ])
    items = padded(items, 96, [
        ("FA_INT2", "Card type", "TYP", "", "0", ""),
        ("CHAR08", "Card name", "CNM", "", "", ""),
    ])
    return items, []


def ctl_block():
    """Controller communication settings (group 1 of the QV controllers)."""
    items = core(2, 1)
    items = padded(items, 11, [
        ("TEL_TARGET", "Telemetry target", "TEL", "", "0000", ""),
        ("47K_COM", "47K link", "47K", "", "0000000", ""),
        ("58R_COM", "58R link", "58R", "", "0000", ""),
        ("INTCH4", "Channel", "CHN", "", "0000", ""),
        ("ITEMCOM", "Run contact", "RNC", "", "0000", ""),
        ("CHAR12", "Station label", "LBL", "", "", ""),
        ("INT6", "Baud rate", "BAU", "", "9600", "1200;9600;57600"),
        ("INT7", "Timeout", "TMO", "ms", "500", "0_9999999"),
    ])
    return items, [("D", "Run", "RUN", 3), ("D", "Error", "ERR", 2)]


def tqrc_block(kind):
    """Communication card setting: virtual card kinds at 11, 28, 45, 62, 79, links between."""
    items = core(3, 2)
    for base in (11, 28, 45, 62, 79):
        items = padded(items, base, [("CHAR02", "Virtual card kind", "VCK", "", "", "")])
        for t in range(16):
            items.append((kind, "Link %02d" % (t + 11), "L%02d" % (t + 11), "", "0FF000", ""))
    return items[:100], []


def terminal_block(kind, digital, count, output):
    items = core(1, 3)
    items = padded(items, 11, [
        ("STATION", "Source station", "SST", "", "00", "00_3F;FE;FF"),
        ("CARD", "Source card", "SCD", "", "0", "0_F"),
        ("INT2", "Source terminal", "STM", "", "0", "0;11_26"),
    ])
    items = padded(items, 20, [])
    if output:
        for i in range(count):
            items.append(("ANACOM" if not digital else "ITEMCOM", "Output %d source" % (i + 1),
                          "S%02d" % (i + 1), "", "0000", ""))
    else:
        for i in range(count):
            items.append(("FLOAT2" if not digital else "FLAG", "Input %d" % (i + 1), "V%02d" % (i + 1),
                          "", "0" if digital else "0.00", "0;1" if digital else "-100.0_100.0"))
    terms = [("D" if digital else "A", "%s %d" % ("Output" if output else "Input", i + 1),
              "%s%d" % ("O" if output else "I", i + 1), 20 + i) for i in range(count)]
    return items, terms


def ssw_block():
    items = [("CHAR08", "Tag name", "TAG", "", "", ""),
             ("FLAG", '"0:OFF,1:ON"Sequence enable', "ENA", "", "0", "0;1")]
    items = padded(items, 11, [])
    for g in range(81, 93):
        items.append(("FLAG", '"0:Stop,1:Run"Group %d' % g, "G%d" % g, "", "0", "0;1"))
    terms = [("D", "Group %d run" % g, "R%d" % g, 11 + g - 81) for g in range(81, 93)]
    return items, terms


def seq_block():
    """Sequential control block: block number "95" (the group is in use) at item 10, 89 step
    codes at items 11..99."""
    items = [("CHAR08", "Tag name", "TAG", "", "", ""),
             ("INT3", "Step timer", "STT", "s", "0", "0_999"),
             ("FLOAT1", "Timer base", "TMB", "s", "0.1", "0.1_10.0")]
    items = padded(items, 11, [])
    items += [("SEQ", "Step %02d" % (s + 1), "S%02d" % (s + 1), "", "******", "") for s in range(89)]
    return items, [("D", "Running", "RUN", 10), ("D", "Step done", "STD", 11)]


def own_block(name, float_n=2):
    items = core(4, float_n)
    items = padded(items, 11, [("STATION", "Own station", "OWN", "", "00", "00_3F"),
                               ("INT2", "Virtual cards", "VCD", "", "0", "0_5")])
    return items, [("D", "Ready", "RDY", 2)]


def b2_block(analog):
    items = core(5, 4)
    items = padded(items, 11, [("ANACOM" if analog else "ITEMCOM", "Bank 2 source", "B2S", "", "0000", ""),
                               ("FLOAT4" if analog else "FLAG", "Bank 2 value", "B2V", "",
                                "0.0000" if analog else "0", "-1.0_1.0" if analog else "0;1")])
    return items, [("A" if analog else "D", "Bank 2 value", "B2V", 12)]


BLOCKS = {
    # id: (name, builder)
    "SYS": ("System", sys_block),
    "SSW": ("Sequence switch", ssw_block),
    "SEQ": ("Sequential control", seq_block),
    "CTL": ("Controller setting", ctl_block),
    "CFG": ("Controller configuration", lambda: analog_block(6, 3, 0, 2)),
    "CMS": ("Communication setting", lambda: ctl_block()),
    "AIN": ("Analog input extension", lambda: analog_block(7, 2, 0, 4)),
    "AOT": ("Analog output extension", lambda: analog_block(8, 2, 4, 0)),
    "BCA": ("Batch control", lambda: analog_block(1, 1, 2, 1)),
    "MVA": ("Manipulated value", lambda: analog_block(2, 2, 1, 1)),
    "CDI": ("Digital input", lambda: terminal_block("", True, 16, False)),
    "CDO": ("Digital output", lambda: terminal_block("", True, 16, True)),
    "CAI": ("Analog input", lambda: terminal_block("", False, 8, False)),
    "CAO": ("Analog output", lambda: terminal_block("", False, 8, True)),
    "ADS": ("Adder and subtractor", lambda: analog_block(3, 2, 4, 1)),
    "MLT": ("Multiplier", lambda: analog_block(4, 3, 2, 1)),
    "LAG": ("First order lag", lambda: analog_block(5, 4, 1, 1)),
    "HLL": ("High and low limiter", lambda: analog_block(6, 1, 1, 2)),
    "PVA": ("Process value alarm", lambda: analog_block(7, 2, 1, 1)),
    "DCN": ("Digital connection", lambda: analog_block(8, 1, 0, 1, [
        ("ITEMCOM", "Digital source %d" % (i + 1), "DS%d" % (i + 1), "", "0000", "") for i in range(4)])),
    "TMR": ("Timer", lambda: analog_block(3, 1, 0, 1)),
    "CTR": ("Counter", lambda: analog_block(4, 1, 0, 1)),
    "BPS": ("Bypass switch", lambda: analog_block(5, 2, 2, 1)),
    "LIN": ("Linearizer", lambda: analog_block(6, 3, 1, 1)),
    "PRG": ("Program setter", lambda: analog_block(7, 4, 0, 1)),
    "TLW": ("Telemetry word", lambda: analog_block(1, 2, 1, 0)),
    "TLP": ("Telemetry pulse", lambda: analog_block(2, 2, 1, 0)),
    "TLM": ("Telemetry measure", lambda: analog_block(3, 2, 1, 0)),
    "TLC": ("Telemetry command", lambda: analog_block(4, 2, 1, 0)),
    "RIO": ("Remote I/O setting", lambda: own_block("RIO")),
    "TQQ": ("TQRQ communication", lambda: own_block("TQQ")),
    "TQC": ("TQRC communication", lambda: tqrc_block("TQRC_COM")),
    "TQJ": ("TQRJ communication", lambda: own_block("TQJ")),
    "TQN": ("TQRN communication", lambda: own_block("TQN")),
    "TQW": ("TQRW telemeter", lambda: own_block("TQW", 1)),
    "WHM": ("Watt-hour meter", lambda: own_block("WHM", 4)),
    "NWM": ("Network module", lambda: own_block("NWM")),
    "RNH": ("Station I/O", lambda: own_block("RNH")),
    "KMQ": ("KMQ controller", lambda: own_block("KMQ", 3)),
    "PWZ": ("PWZ controller", lambda: own_block("PWZ", 3)),
    "TJK": ("TJK5 terminal", lambda: own_block("TJK")),
    "TJW": ("TJW terminal", lambda: own_block("TJW")),
    "B2A": ("Bank 2 analog", lambda: b2_block(True)),
    "B2D": ("Bank 2 digital", lambda: b2_block(False)),
}

# Block codes (2-digit class + definition id) of the groups of a kind.
FUNCTIONS = {30: "51ADS", 31: "52MLT", 32: "60LAG", 33: "70HLL", 34: "76PVA",
             35: "87DCN", 36: "91TMR", 37: "92CTR"}
FUNCTION_CHOICES = ["51ADS", "52MLT", "60LAG", "70HLL", "76PVA", "87DCN", "91TMR", "92CTR"]
TERMINAL_CODES = ["31CDI", "32CDO", "33CAI", "34CAO"]
TELEMETRY = ["96TLW", "97TLP", "98TLM", "99TLC"]
SPECIAL_GROUPS = [4, 5, 6, 7, 8, 9, 10, 27, 28, 29, 70, 71, 93, 94]

OWN = {"V8RTU": "01RIO", "TQRQ": "01TQQ", "TQRQ$": "01TQQ", "TQRC": "01TQC", "TQRC$": "01TQC",
       "TQRJ": "01TQJ", "TQRN": "01TQN", "TQRW": "01TQW", "63WH": "01WHM", "TQNW2": "01NWM",
       "TQGW2": "01NWM", "RNH6": "01RNH", "KMQ": "01KMQ", "PWZ": "01PWZ", "TJK5": "01TJK",
       "TJW": "01TJW", "63NW": "01NWM", "TQNW": "01NWM", "RNZ6": "01RNH", "RNJ6": "01RNH"}


def groups_of(kind, version, station):
    """The valid-block lists of a kind version: {group: [codes]}."""
    g = {0: ["00SYS"]}
    controller = kind in QV_MODELS or kind in ("KMQ", "PWZ")
    if controller:
        g[1] = ["01CTL"]
        g[2] = ["21BCA", "23MVA"]
        g[3] = ["23MVA", "21BCA"]
        g[4] = ["04CFG"]
        g[5] = ["05CMS"]
        if kind in ("QV200B", "QV200BX", "QV200E"):
            g[6] = ["06AIN"]
        if kind == "QV200E" or (kind == "QV200B" and version >= "2.00"):
            g[7] = ["07AOT"]
        for n in range(11, 27):
            g[n] = list(TERMINAL_CODES)
        for n in range(30, 62):
            g[n] = list(FUNCTION_CHOICES)
        for n in range(62, 70):
            g[n] = ["49BPS"]
        for n in range(72, 80):
            g[n] = ["58LIN", "69PRG"]
        g[80] = ["94SSW"]
        for n in range(81, 93):
            g[n] = ["95SEQ"]
        g[97] = list(TELEMETRY)
        g[98] = list(TELEMETRY)
        if kind == "PWZ":
            for i, n in enumerate(SPECIAL_GROUPS):
                g[n] = ["00B2A" if i == 0 else "00B2D"]
        return g
    if kind in OWN and not station or kind in ("V8RTU", "TJK5"):
        g[1] = [OWN[kind]]
    if kind in ("RNH6", "RNZ6", "RNJ6", "V8RTU"):
        for n in range(11, 27):
            g[n] = list(TERMINAL_CODES)
    if kind in ("TQRQ", "TQRQ$", "TQRC", "TQRC$"):
        for n in range(11, 27):
            g[n] = ["33CAI", "34CAO"]
    if kind in ("V8RTU", "TJK5", "TJW"):
        for n in range(30, 38):
            g[n] = list(FUNCTION_CHOICES)
        g[80] = ["94SSW"]
        for n in range(81, 93):
            g[n] = ["95SEQ"]
    if kind == "TJW":
        g[4] = ["04CFG"]
        g[5] = ["05CMS"]
    if station or kind in ("RNH6",):
        g.setdefault(80, ["94SSW"])
    return g


# ---------------------------------------------------------------- writers

def write(relative, lines):
    path = os.path.join(OUT, *relative.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", newline="\n", encoding="ascii") as f:
        f.write("".join(line + "\n" for line in lines))


def definition_lines(block, name, items, terms, block_class):
    """Item 10 of every block but the system block (group 0) is its block number: the
    first two characters of its block code."""
    assert len(items) <= 100 and len(terms) <= 100, name
    items = normalised(items)
    if block != "SYS":
        items = padded(items, 11, [])
        assert items[10][0] == "NON", name
        items[10] = ("CHAR02", "Block number", "BNO", "", block_class, "")
    lines = [name]
    for i in range(100):
        item = items[i] if i < len(items) else ("NON", "", "", "", "", "")
        fields = [item[0]] if item[0] == "NON" else list(item)
        lines.append("ITEM%02d," % i + ",".join(fields))
    for j, (kind, tname, abbr, number) in enumerate(terms):
        lines.append("TERM%02d,%s,%s,%s,%d" % (j, kind, tname, abbr, number))
    for line in lines:
        assert len(line) < 255, line
    return lines


def kind_lines(kinds):
    lines = []
    for name, bus, speed, value, versions in kinds:
        lines += ["CARD=" + kind8(name), bus, str(speed), str(value)] + versions
    return lines


# The card qvsim serves without options: a QV200 1.00 as these tables define it, holding
# every group its valid-block table lists (item 10 "**" where no block is placed).
SIM_MODEL, SIM_VERSION = "QV200", "1.00"
SIM_BLOCKS = {0: "00SYS", 1: "01CTL", 2: "21BCA", 4: "04CFG", 5: "05CMS", 80: "94SSW", 81: "95SEQ"}
SIM_VALUES = {(0, 0): "0", (0, 1): "0", (0, 52): "0001", (0, 95): "0", (0, 99): SIM_VERSION,
              (81, 11): "130001", (81, 12): "030000", (81, 13): "000000"}
SIM_OUT = os.path.join(os.path.dirname(HERE), "sim", "sample_tables.inc")


def field_names():
    """Model numbers a card reports (item 96), with the card names that answer to them."""
    field = [(0, "63WH"), (0, "TQRW")]
    for i, model in enumerate(QV_MODELS):
        field.append((i + 1, model))
    field += [(13, "V8RTU"), (14, "TQNW2"), (14, "TQGW2"), (15, "KMQ"), (16, "PWZ"), (17, "TJK5"),
              (18, "TJW"), (19, "TQRJ"), (20, "TQRN"), (21, "TQRQ"), (22, "TQRC"), (23, "RNH6")]
    return field


def write_sim_default_card():
    groups = groups_of(SIM_MODEL, SIM_VERSION, False)
    code = [i for i, n in field_names() if n == SIM_MODEL][0]
    values = {(0, 96): "%02d" % code}
    for g in sorted(groups):
        block = SIM_BLOCKS.get(g)
        if block is None:
            values[(g, 10)] = "**"
            continue
        assert block in groups[g], (g, block)
        items, _terms = BLOCKS[block[2:]][1]()
        items = padded(normalised(items), 100, [])
        for i, item in enumerate(items):
            kind = item[0]
            if g == 0 and i == 97 or kind.startswith("FA_") or kind.startswith("NON"):
                continue
            values[(g, i)] = item[4]
        if g != 0:
            values[(g, 10)] = block[:2]
        if block == "95SEQ":
            for i in range(14, 100):
                values.pop((g, i), None)
    values.update(SIM_VALUES)
    lines = ["// Generated by tables/make_sample_tables.py from the sample tables. Do not edit.",
             "// The items of the default card (%s %s as the tables define it)." % (SIM_MODEL, SIM_VERSION),
             "constexpr SampleItem kDefaultCardItems[] = {"]
    lines += ['    {%d, %d, "%s"},' % (g, i, v) for (g, i), v in sorted(values.items())]
    lines += ["};", "",
              "// The items each group of the default card takes: those of every block its valid-block",
              "// table allows there (item N is character N of the mask, '1' when taken).",
              "constexpr SampleGroupItems kDefaultCardGroupItems[] = {"]
    for g in sorted(groups):
        taken = {10} if g != 0 else set()
        for block in groups[g]:
            items, _terms = BLOCKS[block[2:]][1]()
            taken |= {i for i, item in enumerate(items) if not item[0].startswith("NON")}
        lines.append('    {%d, "%s"},' % (g, "".join("1" if i in taken else "0" for i in range(100))))
    lines += ["};", "", "// The card type code (group 0 item 96) each card name reports.",
              "constexpr SampleTypeCode kTypeCodes[] = {"]
    lines += ['    {"%s", %d},' % (n, i) for i, n in field_names()]
    lines += ["};"]
    with open(SIM_OUT, "w", newline="\n", encoding="ascii") as f:
        f.write("".join(line + "\n" for line in lines))


def main():
    write_sim_default_card()
    if os.path.isdir(OUT):
        shutil.rmtree(OUT)
    write("COMCARD.KRAT", kind_lines(STATIONS))
    write("KBSCARD.KRAT", kind_lines(CARDS))

    # A kind that is both a station and a card kind has one table per version: the union.
    tables = {}
    for kinds, station in ((STATIONS, True), (CARDS, False)):
        for kind, _bus, _speed, _value, versions in kinds:
            for version in versions:
                merged = tables.setdefault((kind, version), {})
                for g, codes in groups_of(kind, version, station).items():
                    merged.setdefault(g, [])
                    merged[g] += [c for c in codes if c not in merged[g]]

    used_codes = set()
    for (kind, version), groups in sorted(tables.items()):
        vpart = version[0] + version[2:4]
        lines = []
        for g in sorted(groups):
            lines.append("GROUP=%02d" % g)
            lines += groups[g]
        write(kind8(kind).replace(" ", "_") + vpart + ".KRAT", lines)
        classes = {}
        for codes in groups.values():
            for c in codes:
                assert classes.setdefault(c[2:], c[:2]) == c[:2], c
        for block in sorted(classes):
            name, build = BLOCKS[block]
            items, terms = build()
            write("%s/%s/%s.KRAT" % (kind, vpart, block), definition_lines(block, name, items, terms, classes[block]))
        used_codes |= {c for codes in groups.values() for c in codes}

    write("BLOCKMAST.KRAT", ["%s,%s" % (c, BLOCKS[c[2:]][0]) for c in sorted(used_codes)])
    item_types = (["FLAG", "HEX_FLAG", "CHAR_FLAG", "FACTORIAL"] + ["INT%d" % n for n in range(1, 9)] +
                  ["FLOAT%d" % n for n in range(1, 5)] + ["FA_FLOAT%d" % n for n in range(2, 5)] +
                  ["CHAR%02d" % n for n in range(1, 17)] +
                  ["STATION", "CARD", "GROUP", "TEL_TARGET", "ANACOM", "ITEMCOM", "INTCH4", "SEQ",
                   "47K_COM", "TQRC_COM", "58R_COM", "NON"])
    write("ITEMMAST.KRAT", item_types)
    write("TERMMAST.KRAT", ["A,Analog terminal", "D,Digital terminal", "NON,Not used"])

    write("FIELDNAME.KRAT", ["%d=%s" % (i, kind8(n)) for i, n in field_names()])
    write("IRCARD.KRAT", ["%d=%s" % (i + 1, kind8(n)) for i, n in enumerate(IR_CARDS)])
    return 0


if __name__ == "__main__":
    sys.exit(main())
