// The input is a .cfg file for QVCFG: read it into the store; an accepted image must
// export, save and read back to the same held image. The same bytes also go to the
// short-trend converter.
#include "config_db.h"
#include "config_io.h"
#include "fuzz_support.h"
#include "trend.h"

using namespace kravin::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static kravin::test::TempDir dir;
    const std::string in = dir / "in.cfg", out = dir / "out.cfg";
    writeInput(in, data, size);

    qvcfg::ConfigDB db;
    qvcfg::ConfigReader reader(&db, nullptr);
    const int rc = reader.ReadFile(in);
    require(rc == 0 || rc == -3 || rc == -4);
    require((rc == 0) == (db.GetState() == qvcfg::ConfigDB::kFromFile));
    if (rc == 0) {
        std::string csv;
        require(db.ExportCsv(csv) == 0 && !csv.empty());
        qvcfg::Bytes held;
        require(db.GetImage(held) == 0 && held.size() == qvcfg::kImageSize);
        qvcfg::ConfigWriter writer(&db, nullptr);
        require(writer.WriteFile(out) == 0);
        require(fileSize(out) == static_cast<std::uintmax_t>(db.ExpectedSizeOf(held)));
        qvcfg::ConfigDB again;
        qvcfg::ConfigReader reader2(&again, nullptr);
        require(reader2.ReadFile(out) == 0);
        qvcfg::Bytes reread;
        require(again.GetImage(reread) == 0);
        require(reread == held);
        // The held image merges into a controller image of its own model.
        qvcfg::Bytes device(data, data + size);
        require(db.PrepareDownload(device, held) == 0);
    }

    std::string text;
    qvcfg::data::TrendCsvConverter converter;
    const qvcfg::Bytes image(data, data + size);
    require((converter.Convert(image, text, 1) == 0) == qvcfg::TrendImageValid(image));
    return 0;
}
