#include "print_service.h"

#include "anatan_diagram.h"
#include "ladder_convert.h"
#include "project.h"
#include "services.h"
#include "system_view_logic.h"
#include "text_codec.h"
#include "validation.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryFile>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>

namespace kravin::print {

namespace {

using res::Language;

QString tx(Language l, const char* en, const char* ja) { return QString::fromUtf8(l == Language::Japanese ? ja : en); }

// Units that have a function block list (the communication cards have none).
bool hasBlockList(std::string_view model) { return !model.empty() && editors::hasBlockList(model); }

QString unitPrefix(int station, int card)
{
    return QStringLiteral("ST:%1 CD:%2 ")
        .arg(QString::fromStdString(hexUpper(station, 2)), QString::fromStdString(hexUpper(card - 1, 1)));
}

}  // namespace

StagedOutput::StagedOutput(QPrinter& printer)
{
    if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty()) return;
    const QFileInfo target(printer.outputFileName());
    // A folder that takes no new file takes no PDF either: the job then fails as it would.
    QTemporaryFile staging(target.absoluteDir().filePath(QStringLiteral(".") + target.fileName() +
                                                         QStringLiteral(".XXXXXX")));
    staging.setAutoRemove(false);
    if (!staging.open()) return;
    target_ = target.absoluteFilePath();
    staging_ = staging.fileName();
    staging.close();
    printer.setOutputFileName(staging_);
}

StagedOutput::~StagedOutput() { discard(); }

void StagedOutput::discard()
{
    if (!staging_.isEmpty()) QFile::remove(staging_);
    staging_.clear();
}

bool StagedOutput::commit()
{
    if (staging_.isEmpty()) return true;
    const QFile::Permissions mode =
        QFileInfo::exists(target_) ? QFile::permissions(target_)
                                   : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    QFile::setPermissions(staging_, mode);
    // rename replaces the old file in one step.
    const bool ok = std::rename(QFile::encodeName(staging_).constData(), QFile::encodeName(target_).constData()) == 0;
    if (ok) staging_.clear();
    discard();
    return ok;
}

bool DialogPrinterChooser::choose(QPrinter& printer, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

void DialogPrinterChooser::preview(QPrinter& printer, const std::function<void(QPrinter*)>& paint, QWidget* parent)
{
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&paint](QPrinter* p) { paint(p); });
    dialog.exec();
}

bool PrinterChooser::confirmPages(const TileGrid& tiles, bool preview, Language language, QWidget* parent)
{
    PrintPagesDialog dialog(tiles, preview, language, parent);
    return dialog.exec() == QDialog::Accepted;
}

PrintPagesDialog::PrintPagesDialog(const TileGrid& tiles, bool preview, Language l, QWidget* parent)
    : QDialog(parent), across_(new QLineEdit(QString::number(tiles.across), this)),
      down_(new QLineEdit(QString::number(tiles.down), this)), total_(new QLineEdit(QString::number(tiles.total), this)),
      ok_(new QPushButton(preview ? res::qmessage(10100, l) : QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("PrintPagesDialog"));
    setWindowTitle(tx(l, "Number of Print Pages", "印刷ページ数"));
    auto* grid = new QGridLayout;
    const struct {
        QLineEdit* edit;
        const char* id;
        const char* en;
        const char* ja;
    } rows[] = {{across_, "1074", "Horizontal Direction", "横方向"},
                {down_, "1075", "Vertical Direction", "縦方向"},
                {total_, "1076", "Total Pages", "合計ページ"}};
    int row = 0;
    for (const auto& r : rows) {
        r.edit->setObjectName(QString::fromLatin1(r.id));
        r.edit->setReadOnly(true);
        r.edit->setAlignment(Qt::AlignRight);
        grid->addWidget(new QLabel(tx(l, r.en, r.ja), this), row, 0);
        grid->addWidget(r.edit, row, 1);
        grid->addWidget(new QLabel(tx(l, "Page", "ページ"), this), row, 2);
        ++row;
    }
    ok_->setObjectName(QStringLiteral("IDOK"));
    ok_->setDefault(true);
    auto* cancel = new QPushButton(tx(l, "Cancel", "キャンセル"), this);
    cancel->setObjectName(QStringLiteral("IDCANCEL"));
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

PrintService::PrintService(PrintModel model, std::shared_ptr<PrinterChooser> chooser)
    : model_(std::move(model)), chooser_(chooser ? std::move(chooser) : std::make_shared<DialogPrinterChooser>())
{
}

JobInfo PrintService::newJob(int bulkMode) const
{
    JobInfo job;
    job.stamp = std::time(nullptr);
    job.bulkMode = bulkMode;
    if (model_.session) job.projectName = model_.session->g_projectName;
    return job;
}

void PrintService::select(int station, int card)
{
    if (model_.selectUnit) {
        model_.selectUnit(station, card);
        return;
    }
    model::UnitContext& unit = *model_.unit;
    unit.g_curStation = station;
    unit.g_curCard = card;
    unit.SelectCurrentUnit();
    unit.LoadUnitBlocks(1);
}

namespace {

// The bank the function block list shows for the unit.
int shownBank(const model::UnitContext& unit) { return unitHeader(unit).banked() ? unit.g_blockListBank : 0; }

bool unitUsable(const model::UnitContext& unit)
{
    return unit.g_curStation >= 0 && unit.g_curCard >= 1 && !unit.model().empty();
}

// The ladder of a sequence group drawn from the step table; false when it cannot be drawn.
bool ladderFromSteps(const model::UnitContext& unit, int group, ladder::LadderGrid& grid)
{
    model::SeqSteps steps;
    LoadSeqSteps(unit, steps);
    ladder::LadderContext ctx;
    ctx.g_seqGroup = group;
    if (ladder::ConvertSeqToLadder(ctx, steps.g_stepTable) == -1) return false;
    grid = ctx.Grid();
    return true;
}

}  // namespace

std::unique_ptr<PrintDocument> PrintService::makeDocument(int kind)
{
    model::UnitContext& unit = *model_.unit;
    switch (kind) {
    case KindCover:
        return coverDocument(snapshotCover(model_.session ? model_.session->g_projectName : std::string(),
                                           model_.session ? model_.session->g_projectComment : std::string()));
    case KindSystem: return systemDocument(snapshotSystem(*model_.masters, *model_.tables));
    case KindBlockList:
        if (!unitUsable(unit)) return nullptr;
        unit.LoadUnitBlocks(1);
        return blockListDocument(snapshotBlockList(unit, shownBank(unit)));
    case KindBlockSetting:
        if (!unitUsable(unit) || unit.LoadBlockItemList() != 0) return nullptr;
        return blockSettingDocument(snapshotBlockSetting(unit, shownBank(unit), true));
    case KindSequence:
        if (!unitUsable(unit)) return nullptr;
        unit.LoadUnitBlocks(1);
        return sequenceDocument(snapshotSequence(unit));
    case KindLadder: {
        if (!unitUsable(unit)) return nullptr;
        if (view_.ladderSource) {
            if (const ladder::LadderContext* ctx = view_.ladderSource())
                return ladderDocument(snapshotLadder(unit, ctx->g_seqGroup, ctx->Grid(), view_.ladderComments));
        }
        const int group = unit.g_curGroup;
        ladder::LadderGrid grid;
        unit.LoadUnitBlocks(1);
        if (group < model::kFirstSeqGroup || group > model::kLastSeqGroup || !ladderFromSteps(unit, group, grid))
            return nullptr;
        return ladderDocument(snapshotLadder(unit, group, grid, view_.ladderComments));
    }
    default: return nullptr;
    }
}

bool PrintService::printDocument(std::unique_ptr<PrintDocument> document, bool preview, QWidget* parent)
{
    if (!document) return false;
    const JobInfo job = newJob(0);
    std::shared_ptr<PrintDocument> shared(std::move(document));
    QPrinter printer(QPrinter::HighResolution);
    if (preview) {
        // The preview asks for the pages again whenever it changes; each time
        // they come from the same document and page numbers.
        chooser_->preview(
            printer,
            [&, shared](QPrinter* target) {
                PrintJob pages(job, model_.language);
                pages.add(QString(), std::unique_ptr<PrintDocument>(new SharedDocument(shared)));
                pages.run(*target);
            },
            parent);
        return true;
    }
    if (!chooser_->choose(printer, parent)) return false;
    return printPages(std::unique_ptr<PrintDocument>(new SharedDocument(shared)), printer, job);
}

bool PrintService::printPages(std::unique_ptr<PrintDocument> document, QPrinter& printer, const JobInfo& job)
{
    StagedOutput output(printer);
    PrintJob pages(job, model_.language);
    pages.add(QString(), std::move(document));
    if (pages.run(printer) && (pages.pagesPrinted() == 0 || output.commit())) return true;
    output.discard();
    if (model_.prompt) model_.prompt->message(9732, {}, model::Buttons::Ok, model::Icon::Error);
    return false;
}

namespace {

// The printable area of a printer in 600 dpi page dots, as the pages see it.
QSize pageDots(const QPrinter& printer)
{
    const double sx = printer.logicalDpiX() / double(kLogicalDpi), sy = printer.logicalDpiY() / double(kLogicalDpi);
    return QSize(static_cast<int>(printer.width() / sx), static_cast<int>(printer.height() / sy));
}

}  // namespace

std::shared_ptr<AnalogSnapshot> PrintService::analogSnapshot(bool fromView)
{
    model::UnitContext& unit = *model_.unit;
    if (!unitUsable(unit)) return nullptr;
    auto s = std::make_shared<AnalogSnapshot>();
    s->unit = unitHeader(unit);
    const std::optional<AnalogViewState> open =
        fromView && view_.analogView ? view_.analogView() : std::optional<AnalogViewState>();
    if (open && open->diagram) {
        s->diagram = *open->diagram;
        if (open->openJumps) s->openJumps = *open->openJumps;
        if (open->comments)
            s->comments = std::make_shared<model::CCommentMap>(model::CCommentMap::CopyConstruct(
                open->comments->blockBytes().data(), {}, unit.workFolder, model::commentFileName(unit.g_curStation, unit.g_curCard)));
        if (open->figures)
            s->figures = std::make_shared<model::CFigureMap>(model::CFigureMap::CopyConstruct(
                open->figures->blockBytes().data(), {}, unit.workFolder, model::figureFileName(unit.g_curStation, unit.g_curCard)));
        return s;
    }
    // The unit image is read again from its file; blocks never placed are
    // shown at their default positions without writing them.
    std::array<char, model::kUnitHeadSize> head;
    unit.ReadUnitImage(head);
    wiring::ReadAnalogDiagram(unit, s->diagram, false);
    s->comments = std::make_shared<model::CCommentMap>(model::LayerEnv{}, unit.workFolder,
                                                       model::commentFileName(unit.g_curStation, unit.g_curCard));
    s->figures = std::make_shared<model::CFigureMap>(model::LayerEnv{}, unit.workFolder,
                                                     model::figureFileName(unit.g_curStation, unit.g_curCard));
    return s;
}

std::shared_ptr<CommSnapshot> PrintService::commSnapshot(bool fromView)
{
    model::UnitContext& unit = *model_.unit;
    auto s = std::make_shared<CommSnapshot>();
    for (int st = 0; st < model::kStations; ++st) {
        const std::string& t = model_.tables->stationUnitText[static_cast<std::size_t>(st)];
        s->stationTexts[static_cast<std::size_t>(st)] = t.substr(0, std::min(t.find('\0'), std::size_t{5}));
    }
    const std::optional<CommViewState> open =
        fromView && view_.commView ? view_.commView() : std::optional<CommViewState>();
    if (open && open->table) {
        s->table = std::make_shared<model::CommLinkTable>(*open->table);
        s->pending = open->pending;
    } else {
        // Building the table walks every unit; the current one is selected again after.
        const int station = unit.g_curStation, card = unit.g_curCard;
        auto table = std::make_shared<model::CommLinkTable>();
        model::BuildCommConnectionTable(unit, *table);
        if (station >= 0 && card >= 0) select(station, card);
        unit.g_curStation = station;
        unit.g_curCard = card;
        s->table = std::move(table);
    }
    s->comments = std::make_shared<model::CCommentMap>(model::LayerEnv{}, unit.workFolder, model::kCommCommentFile);
    s->figures = std::make_shared<model::CFigureMap>(model::LayerEnv{}, unit.workFolder, model::kCommFigureFile);
    return s;
}

void PrintService::printWiring(int kind, int scale, bool fit, bool preview, QWidget* parent)
{
    if (kind != KindAnalog && kind != KindCommTerminal) return;
    std::shared_ptr<const AnalogSnapshot> snap = kind == KindAnalog ? analogSnapshot(true) : nullptr;
    std::shared_ptr<const CommSnapshot> comm = kind == KindCommTerminal ? commSnapshot(true) : nullptr;
    if (!snap && !comm) return;
    scale = std::clamp(scale, 10, 200);
    QPrinter printer(QPrinter::HighResolution);
    // The pages are counted on the printer that prints them.
    const auto setupFor = [&](const QPrinter& p) {
        const QSize dots = pageDots(p);
        return snap ? analogSetup(*snap, fit, scale, dots.width(), dots.height())
                    : commSetup(*comm, fit, scale, dots.width(), dots.height());
    };
    const auto document = [&](const WiringPrintSetup& setup) {
        return snap ? analogDocument(snap, setup) : commDocument(comm, setup);
    };
    if (preview) {
        const WiringPrintSetup setup = setupFor(printer);
        if (!fit && !chooser_->confirmPages(setup.tiles, true, model_.language, parent)) return;
        const JobInfo job = newJob(0);
        chooser_->preview(
            printer,
            [&](QPrinter* target) {
                PrintJob pages(job, model_.language);
                pages.add(QString(), document(setupFor(*target)));
                pages.run(*target);
            },
            parent);
        return;
    }
    if (!chooser_->choose(printer, parent)) return;
    const WiringPrintSetup setup = setupFor(printer);
    if (!fit && !chooser_->confirmPages(setup.tiles, false, model_.language, parent)) return;
    printPages(document(setup), printer, newJob(0));
}

void PrintService::printKind(int kind, bool preview, QWidget* parent)
{
    printDocument(makeDocument(kind), preview, parent);
}

void PrintService::printBlockSetting(bool preview, QWidget* parent)
{
    // The dialog loaded the block and holds its edited values: they are not read again.
    const model::UnitContext& unit = *model_.unit;
    if (!unitUsable(unit)) return;
    printDocument(blockSettingDocument(snapshotBlockSetting(unit, shownBank(unit), true)), preview, parent);
}

std::vector<JobDocument> PrintService::unitDocuments(int kind, const BulkChoice& choice, int station, int card)
{
    std::vector<JobDocument> docs;
    model::UnitContext& unit = *model_.unit;
    if (!unitUsable(unit)) return docs;
    const QString prefix = unitPrefix(station, card);
    const Language l = model_.language;
    switch (kind) {
    case KindBlockList:
        if (!hasBlockList(unit.model())) break;
        docs.push_back({prefix + res::qmessage(9726, l), blockListDocument(snapshotBlockList(unit, 0, &blockNames_))});
        if (unitHeader(unit).banked())
            docs.push_back(
                {prefix + res::qmessage(9726, l), blockListDocument(snapshotBlockList(unit, 2, &blockNames_))});
        break;
    case KindBlockSetting: {
        if (!hasBlockList(unit.model())) break;
        const int savedGroup = unit.g_curGroup, savedMode = unit.g_specialGroupMode;
        if (!choice.groupBreak) {
            SettingFlowSnapshot flow = snapshotSettingFlow(unit, choice.terminalInfo);
            docs.push_back({prefix + res::qmessage(9727, l), settingFlowDocument(std::move(flow))});
            break;
        }
        const bool banked = unitHeader(unit).banked();
        unit.g_specialGroupMode = 0;
        for (int bank : {0, 2}) {
            if (bank == 2 && !banked) break;
            for (int g = 0; g < model::kGroups; ++g) {
                if (model::fieldView(unit.g_unitBlocks[g]).empty()) continue;
                if (banked && (bank == 0) == (model::GetSpecialBlockIndex(g) != 0)) continue;
                unit.g_curGroup = g;
                if (unit.LoadBlockItemList() != 0) continue;
                const QString status = prefix + QStringLiteral("GR:%1 ").arg(groupLabel(g, bank), 2, 10, QLatin1Char('0')) +
                                       res::qmessage(9727, l);
                docs.push_back({status, blockSettingDocument(snapshotBlockSetting(unit, bank, choice.terminalInfo))});
            }
        }
        unit.g_curGroup = savedGroup;
        unit.g_specialGroupMode = savedMode;
        break;
    }
    case KindSequence:
    case KindLadder: {
        model::SeqSteps steps;
        LoadSeqSteps(unit, steps);
        bool any = false;
        for (const auto& marker : steps.g_seqMarkers) any = any || (marker[0] == '9' && marker[1] == '5');
        if (!any) break;
        if (kind == KindSequence) {
            docs.push_back({prefix + res::qmessage(9728, l), sequenceDocument(snapshotSequence(unit))});
            break;
        }
        for (int k = 0; k < model::kSeqGroupCount; ++k) {
            if (steps.g_seqMarkers[k][0] != '9' || steps.g_seqMarkers[k][1] != '5') continue;
            const int group = model::kFirstSeqGroup + k;
            ladder::LadderContext ctx;
            ctx.g_seqGroup = group;
            if (ladder::ConvertSeqToLadder(ctx, steps.g_stepTable) == -1) continue;
            const QString status =
                prefix + QStringLiteral("GR:%1 ").arg(group, 2, 10, QLatin1Char('0')) + res::qmessage(9729, l);
            docs.push_back({status, ladderDocument(snapshotLadder(unit, group, ctx.Grid(), view_.ladderComments))});
        }
        break;
    }
    case KindAnalog:
        if (auto snap = analogSnapshot(false)) {
            WiringPrintSetup fitted;
            fitted.pitch = printPitch(100, kLogicalDpi);
            docs.push_back({prefix + res::qmessage(9730, l), analogDocument(std::move(snap), fitted)});
        }
        break;
    default: break;
    }
    return docs;
}

std::unique_ptr<PrintJob> PrintService::bulkJob(const BulkChoice& choice, int mode, int station, int card)
{
    auto job = std::make_unique<PrintJob>(newJob(mode + 1), model_.language);
    const Language l = model_.language;
    if (mode == 0 && choice.cover) job->add(res::qmessage(9723, l), makeDocument(KindCover));
    if (mode == 0 && choice.system) job->add(res::qmessage(9724, l), makeDocument(KindSystem));
    if (mode == 0 && choice.comm)
        job->add([this, l] {
            std::vector<JobDocument> docs;
            WiringPrintSetup fitted;
            fitted.pitch = printPitch(100, kLogicalDpi);
            docs.push_back({res::qmessage(9725, l), commDocument(commSnapshot(false), fitted)});
            return docs;
        });
    std::vector<std::pair<int, int>> units;
    if (mode == 1) {
        units.emplace_back(station, card);
    } else {
        for (int s = 0; s < model::kStations; ++s)
            for (int c = 1; c <= model::kCardSlots; ++c) {
                const int kind = model_.tables->cardKind[s][c - 1];
                if (kind <= 0 || kind >= model::kKindEntries) continue;
                if (model_.masters->card.name[kind].find('$') != std::string::npos) continue;
                units.emplace_back(s, c);
            }
    }
    blockNames_.clear();
    // Each unit is selected once for all of its documents.
    for (const auto& [s, c] : units)
        job->add([this, choice, s = s, c = c] {
            select(s, c);
            std::vector<JobDocument> docs;
            const std::pair<bool, int> perUnit[] = {{choice.blockList, KindBlockList},
                                                    {choice.blockSetting, KindBlockSetting},
                                                    {choice.sequence, KindSequence},
                                                    {choice.ladder, KindLadder},
                                                    {choice.analog, KindAnalog}};
            for (const auto& [on, kind] : perUnit)
                if (on)
                    for (JobDocument& d : unitDocuments(kind, choice, s, c)) docs.push_back(std::move(d));
            return docs;
        });
    return job;
}

void PrintService::runBulkPrint(int mode, QWidget* parent)
{
    const int station = model_.unit->g_curStation, card = model_.unit->g_curCard;
    BulkPrintDialog dialog(*this, mode, station, card, parent);
    dialog.exec();
}

// ---- Bulk print dialog ----

BulkPrintDialog::BulkPrintDialog(PrintService& service, int mode, int station, int card, QWidget* parent)
    : QDialog(parent), service_(service), mode_(mode), station_(station), card_(card)
{
    const Language l = service.model().language;
    setWindowTitle(tx(l, "Bulk Print Documents", "ドキュメント一括印刷"));
    setObjectName(QStringLiteral("BulkPrintDialog"));
    auto* layout = new QVBoxLayout(this);
    auto* head = new QHBoxLayout;
    auto* label = new QLabel(mode == 1 ? res::qmessage(9710, l) : tx(l, "Project Name :", "プロジェクト名 :"), this);
    QString target;
    if (mode == 1) {
        const model::UnitContext& unit = *service.model().unit;
        target = unitPrefix(station, card) + shown(unit.unitKindName(station, card)).trimmed() + QLatin1Char(' ') +
                 shown(unit.version());
    } else if (service.model().session) {
        target = shown(service.model().session->g_projectName);
    }
    auto* targetLabel = new QLabel(target, this);
    targetLabel->setObjectName(QStringLiteral("target"));
    head->addWidget(label);
    head->addWidget(targetLabel, 1);
    layout->addLayout(head);

    auto* grid = new QGridLayout;
    struct Box {
        int id;
        const char* en;
        const char* ja;
        int row, col;
    };
    const Box boxes[] = {
        {CheckCover, "Coversheet", "表紙", 0, 0},
        {CheckSystem, "System Configuration", "システム構成", 1, 0},
        {CheckComm, "Communication Terminal Connection", "通信端子結線", 2, 0},
        {CheckBlockList, "Function Block List", "機能ブロック一覧", 3, 0},
        {CheckBlockSetting, "Function Block Setting", "機能ブロック設定", 4, 0},
        {CheckTerminalInfo, "Print Terminal Information", "端子情報を印刷", 5, 1},
        {CheckGroupBreak, "Group-wise Page Break", "グループごとに改ページ", 6, 1},
        {CheckSequence, "Sequential Control Block List", "シーケンス制御ブロック一覧", 7, 0},
        {CheckLadder, "Ladder", "ラダー", 8, 0},
        {CheckAnalog, "Analog Connection", "アナログ結線", 9, 0},
    };
    for (const Box& b : boxes) {
        auto* box = new QCheckBox(tx(l, b.en, b.ja), this);
        box->setObjectName(QStringLiteral("check%1").arg(b.id));
        box->setChecked(true);
        grid->addWidget(box, b.row, b.col, 1, b.col == 0 ? 2 : 1);
        checks_[b.id] = box;
    }
    grid->setColumnMinimumWidth(0, 24);
    layout->addLayout(grid);
    connect(checks_[CheckBlockSetting], &QCheckBox::toggled, this, [this](bool on) {
        if (running()) return;
        checks_[CheckTerminalInfo]->setEnabled(on);
        checks_[CheckGroupBreak]->setEnabled(on);
    });

    status_ = new QLabel(res::qmessage(9720, l), this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setMinimumWidth(360);
    layout->addWidget(status_);
    auto* buttons = new QHBoxLayout;
    start_ = new QPushButton(res::qmessage(9711, l), this);
    start_->setObjectName(QStringLiteral("startStop"));
    close_ = new QPushButton(tx(l, "Close", "閉じる"), this);
    close_->setObjectName(QStringLiteral("close"));
    buttons->addStretch();
    buttons->addWidget(start_);
    buttons->addWidget(close_);
    layout->addLayout(buttons);
    connect(start_, &QPushButton::clicked, this, &BulkPrintDialog::startStop);
    connect(close_, &QPushButton::clicked, this, &BulkPrintDialog::reject);

    timer_ = new QTimer(this);
    timer_->setInterval(0);
    connect(timer_, &QTimer::timeout, this, &BulkPrintDialog::tick);
    if (mode == 1)
        for (int id : {CheckCover, CheckSystem, CheckComm}) checks_[id]->setChecked(false);
    setChecksEnabled(true);
}

BulkPrintDialog::~BulkPrintDialog()
{
    if (job_) {
        timer_->stop();
        if (printer_) printer_->abort();
        job_->end();
    }
    if (output_) output_->discard();
}

QCheckBox* BulkPrintDialog::check(int id) const
{
    const auto it = checks_.find(id);
    return it == checks_.end() ? nullptr : it->second;
}

QString BulkPrintDialog::statusText() const { return status_->text(); }

void BulkPrintDialog::setChecksEnabled(bool enabled)
{
    for (auto& [id, box] : checks_) {
        bool on = enabled;
        if (mode_ == 1 && (id == CheckCover || id == CheckSystem || id == CheckComm)) on = false;
        if ((id == CheckTerminalInfo || id == CheckGroupBreak) && !checks_[CheckBlockSetting]->isChecked()) on = false;
        box->setEnabled(on);
    }
}

BulkChoice BulkPrintDialog::choice() const
{
    auto on = [this](int id) { return checks_.at(id)->isChecked(); };
    BulkChoice c;
    c.cover = mode_ == 0 && on(CheckCover);
    c.system = mode_ == 0 && on(CheckSystem);
    c.comm = mode_ == 0 && on(CheckComm);
    c.blockList = on(CheckBlockList);
    c.blockSetting = on(CheckBlockSetting);
    c.terminalInfo = on(CheckTerminalInfo);
    c.groupBreak = on(CheckGroupBreak);
    c.sequence = on(CheckSequence);
    c.ladder = on(CheckLadder);
    c.analog = on(CheckAnalog);
    return c;
}

void BulkPrintDialog::startStop()
{
    const Language l = service_.model().language;
    if (job_) {
        // Stop: the pages so far are dropped with their file.
        timer_->stop();
        if (printer_) printer_->abort();
        job_->end();
        if (output_) output_->discard();
        finish(9721);
        return;
    }
    const BulkChoice c = choice();
    if (!c.cover && !c.system && !c.comm && !c.blockList && !c.blockSetting && !c.sequence && !c.ladder && !c.analog) {
        status_->setText(res::qmessage(9731, l));
        Q_EMIT finished();
        return;
    }
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!service_.chooser().choose(*printer_, this)) {
        printer_.reset();
        status_->setText(res::qmessage(9721, l));
        Q_EMIT finished();
        return;
    }
    output_ = std::make_unique<StagedOutput>(*printer_);
    job_ = service_.bulkJob(c, mode_, station_, card_);
    if (!job_->begin(*printer_)) {
        job_.reset();
        printer_.reset();
        finish(9732);
        return;
    }
    setChecksEnabled(false);
    close_->setEnabled(false);
    start_->setText(res::qmessage(9712, l));
    status_->setText(res::qmessage(9722, l));
    timer_->start();
}

void BulkPrintDialog::tick()
{
    if (!job_) return;
    if (job_->step()) {
        status_->setText(job_->status());
        return;
    }
    timer_->stop();
    bool ok = job_->end() && !job_->failed();
    if (ok && job_->pagesPrinted() > 0 && output_) ok = output_->commit();
    finish(ok ? 9731 : 9732);
}

void BulkPrintDialog::finish(int statusId)
{
    const Language l = service_.model().language;
    timer_->stop();
    job_.reset();
    printer_.reset();
    if (output_) output_->discard();
    output_.reset();
    // The unit that was current before the run is current again.
    if (service_.model().selectUnit) service_.model().selectUnit(station_, card_);
    if (service_.model().redrawSystem) service_.model().redrawSystem();
    start_->setText(res::qmessage(9711, l));
    close_->setEnabled(true);
    setChecksEnabled(true);
    status_->setText(res::qmessage(statusId, l));
    if (statusId == 9732 && service_.model().prompt)
        service_.model().prompt->message(9732, {}, model::Buttons::Ok, model::Icon::Error);
    Q_EMIT finished();
}

void BulkPrintDialog::reject()
{
    if (running()) return;  // Esc and Close wait for the run to end
    QDialog::reject();
}

}  // namespace kravin::print
