// File > Print, Print Preview, Bulk Print and "Print all cards" through the
// real main frame, printed into PDF files and read back with pdftotext.
#include "KRAVinA.h"
#include "block_list_page.h"
#include "block_setting_dialog.h"
#include "child_frame.h"
#include "command_ids.h"
#include "frame_bars.h"
#include "print_service.h"
#include "shell_fixture.h"
#include "system_view_logic.h"
#include "system_view_page.h"
#include "text_codec.h"

#include <QCheckBox>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

namespace kravin::shell {
namespace {

using test::ShellFixture;

// Prints into numbered PDF files instead of asking for a printer.
class PdfChooser final : public print::PrinterChooser {
public:
    explicit PdfChooser(std::string folder) : folder_(std::move(folder)) {}
    bool choose(QPrinter& printer, QWidget*) override
    {
        if (cancel) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(unwritable        ? folder_ + "/missing/folder/x.pdf"
                                                         : !fixedName.empty() ? fixedName
                                                                              : next("print")));
        return true;
    }
    void preview(QPrinter& printer, const std::function<void(QPrinter*)>& paint, QWidget*) override
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(next("preview")));
        paint(&printer);
    }
    std::string next(const char* what)
    {
        files.push_back(folder_ + "/" + what + std::to_string(files.size()) + ".pdf");
        return files.back();
    }

    bool cancel = false;
    bool unwritable = false;  // a file that cannot be made
    std::string fixedName;    // the one file every print chooses
    std::vector<std::string> files;

private:
    std::string folder_;
};

std::string squeezed(std::string text)
{
    for (std::size_t at; (at = text.find("ﬁ")) != std::string::npos;) text.replace(at, std::string("ﬁ").size(), "fi");
    std::string out;
    for (char c : text)
        if (c != ' ' || out.empty() || out.back() != ' ') out += c;
    return out;
}

std::vector<std::string> pdfPages(const std::string& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QString::fromStdString(path), QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(60000));
    const std::string text = p.readAllStandardOutput().toStdString();
    std::vector<std::string> pages;
    std::size_t from = 0;
    for (std::size_t ff; (ff = text.find('\f', from)) != std::string::npos; from = ff + 1)
        pages.push_back(squeezed(text.substr(from, ff - from)));
    return pages;
}

bool has(const std::string& page, const std::string& part) { return page.find(squeezed(part)) != std::string::npos; }

// First page at or after from that shows part; -1 when none does.
int findPage(const std::vector<std::string>& pages, const std::string& part, int from = 0)
{
    for (int i = from; i < static_cast<int>(pages.size()); ++i)
        if (has(pages[i], part)) return i;
    return -1;
}

constexpr int kKmqStation = 0, kKmqCard = 1, kPwzCard = 2;
constexpr int kSeqStation = 0x3B, kSeqCard = 11;

class PrintCommandsTest : public ShellFixture {
protected:
    std::shared_ptr<PdfChooser> pdf;

    void SetUp() override
    {
        pdf = std::make_shared<PdfChooser>(dir.str());
        printerChooser = pdf;
        start();
        makeProject();
    }

    int kind(const model::CardKindMaster& master, const char* name)
    {
        const int k = master.find(name);
        EXPECT_GT(k, 0) << name;
        return k;
    }

    void writeUnit(int s, int libCard, const std::map<int, std::string>& codes,
                   const std::vector<std::tuple<int, int, std::string>>& items)
    {
        const std::string work = session().projectRecord.workFolder;
        char head[500] = {};
        KRAVinA_Data_Get(s, libCard, head, work.c_str());
        std::memset(head, 0, sizeof head);
        for (const auto& [g, code] : codes) std::memcpy(head + 5 * g, code.data(), 5);
        for (const auto& [g, i, text] : items) {
            char value[16] = {};
            std::memcpy(value, text.data(), std::min<std::size_t>(text.size(), 16));
            KRAVinA_Data_Item_Set(g, i, value);
        }
        ASSERT_EQ(KRAVinA_Data_Write(s, libCard, head, work.c_str()), 0);
    }

    // A KMQ card with blocks in both banks, a QV200 card with a sequence
    // program, and a station without cards.
    void makeProject()
    {
        session().g_projectName = "Plant";
        session().g_projectComment = "Line 1\r\nLine 2";
        model::SystemConfigTables& t = app->systemTables();
        t.stationKind[kKmqStation] = kind(app->masters().station, "RNH6");
        t.stationUnitText[kKmqStation] = "12";
        t.cardKind[kKmqStation][kKmqCard - 1] = kind(app->masters().card, "KMQ");
        t.cardKind[kKmqStation][kPwzCard - 1] = kind(app->masters().card, "PWZ");
        t.cardKind[kSeqStation][kSeqCard - 1] = kind(app->masters().card, "QV200");
        t.stationKind[5] = kind(app->masters().station, "TJK5");
        writeUnit(kKmqStation, kKmqCard - 1, {{0, "00SYS"}, {1, "01CTL"}, {4, "04CFG"}}, {{1, 0, "TIC-101"}});
        // Group 4 and 27 are the first and eighth groups of the PWZ card's second bank.
        writeUnit(kKmqStation, kPwzCard - 1, {{0, "00SYS"}, {1, "01CTL"}, {4, "00B2A"}, {27, "00B2D"}}, {});
        writeUnit(kSeqStation, kSeqCard - 1, {{1, "01CTL"}, {81, "95SEQ"}},
                  {{81, 10, "95"}, {81, 11, "130000"}, {81, 12, "010105"}, {81, 13, "070203"}, {81, 14, "000000"}});
    }

    // Runs fn on the bulk print dialog once it is shown modally.
    // When the run ends, keeps the dialog's status text and closes the dialog.
    static void closeWhenFinished(print::BulkPrintDialog* d, QString& status)
    {
        QObject::connect(d, &print::BulkPrintDialog::finished, d, [d, &status] {
            status = d->statusText();
            QTimer::singleShot(0, d->closeButton(), &QPushButton::click);
        });
    }

    // The next bulk print dialog is started as it opens and closed when its run ends.
    void startWhenBulkDialog(QString& status)
    {
        whenBulkDialog([&status](print::BulkPrintDialog* d) {
            closeWhenFinished(d, status);
            d->startButton()->click();
        });
    }

    void whenBulkDialog(std::function<void(print::BulkPrintDialog*)> fn)
    {
        auto* timer = new QTimer;
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, [timer, fn] {
            auto* d = qobject_cast<print::BulkPrintDialog*>(QApplication::activeModalWidget());
            if (!d) return;
            timer->stop();
            timer->deleteLater();
            fn(d);
        });
        timer->start();
    }
};

TEST_F(PrintCommandsTest, BulkPrintWritesTheWholeProjectAsOneJob)
{
    app->unitSelection().select(kSeqStation, kSeqCard);
    app->unitSelection().loadUnitBlocks();
    QString status;
    bool closeRefused = false;
    whenBulkDialog([&](print::BulkPrintDialog* d) {
        EXPECT_EQ(d->statusText().toStdString(), "Press Start to start printing.");
        EXPECT_TRUE(d->check(print::CheckComm)->isEnabled());
        closeWhenFinished(d, status);
        d->startButton()->click();
        // Esc and Close do nothing while the run goes on.
        QTest::keyClick(d, Qt::Key_Escape);
        closeRefused = d->isVisible() && d->running() && !d->closeButton()->isEnabled();
    });
    ASSERT_TRUE(frame().trigger(cmd::FileBulkPrint));
    EXPECT_TRUE(closeRefused);
    EXPECT_EQ(status.toStdString(), "Printing is completed.");
    EXPECT_FALSE(frame().views().frameExists(ViewKind::Print));
    // The unit current before the run is current again.
    EXPECT_EQ(app->unitContext().g_curStation, kSeqStation);
    EXPECT_EQ(app->unitContext().g_curCard, kSeqCard);

    ASSERT_EQ(pdf->files.size(), 1u);
    const auto pages = pdfPages(pdf->files[0]);
    ASSERT_GE(pages.size(), 10u);
    // One job: the page counter runs on across the documents, and every page
    // shows the one time stamp of the job.
    std::smatch stamp;
    const std::regex dateTime(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)");
    ASSERT_TRUE(std::regex_search(pages[0], stamp, dateTime));
    for (std::size_t i = 0; i < pages.size(); ++i) {
        EXPECT_TRUE(has(pages[i], stamp.str())) << "page " << i + 1;
        char counter[16];
        std::snprintf(counter, sizeof counter, "(%4d)", static_cast<int>(i + 1));
        EXPECT_TRUE(has(pages[i], counter) || has(pages[i], "(" + std::to_string(i + 1) + ")")) << "page " << i + 1;
        EXPECT_TRUE(has(pages[i], "Print all jobs") || i == 0) << "page " << i + 1;
    }
    EXPECT_TRUE(has(pages[0], "KRAVin3 Document"));
    EXPECT_TRUE(has(pages[0], "Line 2"));
    EXPECT_TRUE(has(pages[1], "*KRAVin3 System Configuration*"));
    EXPECT_TRUE(has(pages[1], "RNH12"));
    EXPECT_TRUE(has(pages[1], "3B"));
    // The KMQ unit's block list shows every group as its list does, without banks.
    const int kmq = findPage(pages, "STATION:00 CARD:0 KMQ 1.00");
    ASSERT_GE(kmq, 0);
    EXPECT_FALSE(has(pages[kmq], "BANK"));
    EXPECT_TRUE(has(pages[kmq], "CFG(04)"));
    // The PWZ unit's block list: bank 0, then bank 2, as its Bank button shows them.
    const int bank0 = findPage(pages, "STATION:00 CARD:1 PWZ 1.00 BANK 0");
    const int bank2 = findPage(pages, "STATION:00 CARD:1 PWZ 1.00 BANK 2");
    ASSERT_GE(bank0, 0);
    ASSERT_GT(bank2, bank0);
    EXPECT_TRUE(has(pages[bank0], "*KRAVin3 Function Block List*"));
    EXPECT_FALSE(has(pages[bank0], "B2A(00)"));
    EXPECT_TRUE(has(pages[bank2 + 1], "Relaying Terminal Block"));
    EXPECT_TRUE(has(pages[bank2], "B2A(00)"));
    EXPECT_TRUE(has(pages[bank2], "G08"));  // group 27 is the eighth bank 2 group
    // Settings of the KMQ groups, the QV200 card's sequence and its ladder.
    const int setting = findPage(pages, "*KRAVin3 Function Block Setting*");
    ASSERT_GE(setting, 0);
    EXPECT_TRUE(has(pages[setting], "G00"));
    EXPECT_GE(findPage(pages, "TIC-101"), 0);
    const int sequence = findPage(pages, "STATION:3B CARD:A QV200");
    ASSERT_GE(sequence, 0);
    const int seqPage = findPage(pages, "*KRAVin3 Sequential Control Block*");
    ASSERT_GE(seqPage, 0);
    EXPECT_TRUE(has(pages[seqPage], "Step00"));
    const int ladder = findPage(pages, "*KRAVin3 Ladder Setting*");
    ASSERT_GE(ladder, 0);
    EXPECT_TRUE(has(pages[ladder], "G81"));
    EXPECT_TRUE(has(pages[ladder], "0105"));
    // The PWZ unit's settings follow its block lists, bank 0 first.
    EXPECT_EQ(findPage(pages, "BANK 0", bank2 + 2), findPage(pages, "*KRAVin3 Function Block Setting*", bank2));
}

TEST_F(PrintCommandsTest, BulkPrintCancelledAtThePrinterChoiceStops)
{
    pdf->cancel = true;
    QString status;
    startWhenBulkDialog(status);
    ASSERT_TRUE(frame().trigger(cmd::FileBulkPrint));
    EXPECT_EQ(status.toStdString(), "Printing is stopped.");
    EXPECT_TRUE(pdf->files.empty());

    // With every box unchecked the run ends at once, without a printer.
    whenBulkDialog([&](print::BulkPrintDialog* d) {
        for (int id : {print::CheckCover, print::CheckSystem, print::CheckBlockList, print::CheckBlockSetting,
                       print::CheckSequence, print::CheckLadder, print::CheckAnalog, print::CheckComm})
            d->check(id)->setChecked(false);
        EXPECT_FALSE(d->check(print::CheckTerminalInfo)->isEnabled());
        EXPECT_FALSE(d->check(print::CheckGroupBreak)->isEnabled());
        d->startButton()->click();
        status = d->statusText();
        d->closeButton()->click();
    });
    ASSERT_TRUE(frame().trigger(cmd::FileBulkPrint));
    EXPECT_EQ(status.toStdString(), "Printing is completed.");
    EXPECT_TRUE(pdf->files.empty());
}

// The comment given in the New Project dialog of Save As is on the cover sheet
// at once, without the project being opened again.
TEST_F(PrintCommandsTest, CoverShowsTheCommentGivenAtSaveAs)
{
    ASSERT_TRUE(frame().trigger(cmd::FileNew));
    ASSERT_TRUE(session().projectRecord.untitled);
    prompt.dialog([this](model::ProjectDialogData& d) {
        d.name = "Boiler";
        d.comment = "Feed water loop";
        d.location = dir / "boiler.KRA";
        return true;
    });
    ASSERT_TRUE(frame().trigger(cmd::FileSaveAs));
    ASSERT_FALSE(session().projectRecord.untitled);
    QString status;
    whenBulkDialog([&](print::BulkPrintDialog* d) {
        for (int id : {print::CheckSystem, print::CheckBlockList, print::CheckBlockSetting, print::CheckSequence,
                       print::CheckLadder, print::CheckAnalog, print::CheckComm})
            d->check(id)->setChecked(false);
        d->check(print::CheckCover)->setChecked(true);
        closeWhenFinished(d, status);
        d->startButton()->click();
    });
    ASSERT_TRUE(frame().trigger(cmd::FileBulkPrint));
    EXPECT_EQ(status.toStdString(), "Printing is completed.");
    ASSERT_EQ(pdf->files.size(), 1u);
    const auto pages = pdfPages(pdf->files[0]);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(has(pages[0], "KRAVin3 Document"));
    EXPECT_TRUE(has(pages[0], "Boiler"));
    EXPECT_TRUE(has(pages[0], "Feed water loop"));
}

TEST_F(PrintCommandsTest, BulkPrintStoppedOrFailedEndsTheRun)
{
    // Stop before the first page: the run ends at once and the dialog may close.
    QString stopped;
    whenBulkDialog([&](print::BulkPrintDialog* d) {
        d->startButton()->click();
        EXPECT_TRUE(d->running());
        EXPECT_EQ(d->startButton()->text().toStdString(), "Stop");
        EXPECT_FALSE(d->check(print::CheckBlockList)->isEnabled());
        d->startButton()->click();
        stopped = d->statusText();
        EXPECT_FALSE(d->running());
        EXPECT_TRUE(d->closeButton()->isEnabled());
        EXPECT_TRUE(d->check(print::CheckBlockList)->isEnabled());
        d->closeButton()->click();
    });
    ASSERT_TRUE(frame().trigger(cmd::FileBulkPrint));
    EXPECT_EQ(stopped.toStdString(), "Printing is stopped.");

    // A printer that cannot be written to is reported and the run stops.
    pdf->unwritable = true;
    QString failed;
    whenBulkDialog([&](print::BulkPrintDialog* d) {
        QObject::connect(d, &print::BulkPrintDialog::finished, d, [d, &failed] {
            failed = d->statusText();
            QTimer::singleShot(0, d->closeButton(), &QPushButton::click);
        });
        d->startButton()->click();
    });
    ASSERT_TRUE(frame().trigger(cmd::FileBulkPrint));
    EXPECT_EQ(failed.toStdString(), "Printing failed.");
    ASSERT_FALSE(prompt.shown.empty());
    EXPECT_EQ(prompt.shown.back().id, 9732);
}

TEST_F(PrintCommandsTest, PrintAllCardsPrintsTheCurrentCardOnly)
{
    app->unitSelection().select(kKmqStation, kKmqCard);
    app->unitSelection().loadUnitBlocks();
    QString status, target;
    bool coverLocked = false;
    whenBulkDialog([&](print::BulkPrintDialog* d) {
        coverLocked = !d->check(print::CheckCover)->isEnabled() && !d->check(print::CheckCover)->isChecked() &&
                      !d->check(print::CheckSystem)->isEnabled();
        target = d->findChild<QLabel*>(QStringLiteral("target"))->text();
        closeWhenFinished(d, status);
        d->startButton()->click();
    });
    Q_EMIT app->systemView()->commandRequested(cmd::PrintAllCards);
    EXPECT_TRUE(coverLocked);
    EXPECT_EQ(target.toStdString(), "ST:00 CD:0 KMQ 1.00");
    EXPECT_EQ(status.toStdString(), "Printing is completed.");
    ASSERT_EQ(pdf->files.size(), 1u);
    const auto pages = pdfPages(pdf->files[0]);
    ASSERT_FALSE(pages.empty());
    EXPECT_TRUE(has(pages[0], "Print all cards"));
    EXPECT_EQ(findPage(pages, "KRAVin3 Document"), -1);
    EXPECT_EQ(findPage(pages, "STATION:3B"), -1);
}

TEST_F(PrintCommandsTest, PrintAndPreviewOfTheSystemConfiguration)
{
    ASSERT_TRUE(frame().views().frameExists(ViewKind::System));
    frame().frame(ViewKind::System)->setFocus();
    ASSERT_EQ(frame().activeKind(), ViewKind::System);
    ASSERT_TRUE(frame().trigger(cmd::FilePrint));
    ASSERT_TRUE(frame().trigger(cmd::ToolPreview));
    ASSERT_EQ(pdf->files.size(), 2u);
    const auto printed = pdfPages(pdf->files[0]);
    const auto previewed = pdfPages(pdf->files[1]);
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_TRUE(has(printed[0], "(1/1)"));
    EXPECT_TRUE(has(printed[0], "Project Name :Plant"));
    EXPECT_TRUE(has(printed[0], "RNH12"));
    EXPECT_TRUE(has(printed[0], "TJK5"));
    // The same pages, each job with its own time stamp.
    const std::regex dateTime(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)");
    ASSERT_EQ(previewed.size(), 1u);
    EXPECT_EQ(std::regex_replace(printed[0], dateTime, "<time>"), std::regex_replace(previewed[0], dateTime, "<time>"));
}

TEST_F(PrintCommandsTest, DocumentsOfTheOtherViewsFollowTheCurrentUnit)
{
    print::PrintService& service = app->printService();
    app->unitSelection().select(kSeqStation, kSeqCard);
    app->unitSelection().loadUnitBlocks();
    model::UnitContext& unit = app->unitContext();
    unit.g_curGroup = 81;
    auto ladder = service.makeDocument(print::KindLadder);
    ASSERT_TRUE(ladder);
    EXPECT_EQ(ladder->pageCount(), 1);
    unit.g_curGroup = 1;
    auto setting = service.makeDocument(print::KindBlockSetting);
    ASSERT_TRUE(setting);
    EXPECT_GE(setting->pageCount(), 1);
    ASSERT_TRUE(service.makeDocument(print::KindBlockList));
    EXPECT_EQ(service.makeDocument(print::KindBlockList)->pageCount(), 3);
    ASSERT_TRUE(service.makeDocument(print::KindSequence));
    EXPECT_FALSE(service.makeDocument(print::KindCommTerminal));
    ASSERT_TRUE(service.printDocument(std::move(setting), false, nullptr));
    const auto pages = pdfPages(pdf->files.back());
    ASSERT_FALSE(pages.empty());
    EXPECT_TRUE(has(pages[0], "STATION:3B CARD:A QV200 1.00 G01 CTL(01)"));
    // The station itself has no block documents.
    app->unitSelection().select(5, 0);
    EXPECT_FALSE(service.makeDocument(print::KindBlockList));
}

TEST_F(PrintCommandsTest, BlockSettingPrintShowsTheValuesOnTheGrid)
{
    constexpr int kDiscardEdits = 9505;  // the block setting's "discard the changes?"
    app->unitSelection().select(kSeqStation, kSeqCard);
    app->unitSelection().loadUnitBlocks();
    ASSERT_EQ(frame().views().openBlkList(), 0);
    ChildFrame* f = frame().frame(ViewKind::BlkList);
    auto* list = f ? qobject_cast<ShellBlockListView*>(f->view()) : nullptr;
    ASSERT_NE(list, nullptr);

    // Group 1's setting: the tag edited on the grid and printed; the dialog
    // stays open with the edit, and Cancel then asks before dropping it.
    bool printEnabled = false, stillOpen = false;
    std::string gridTag, heldTag;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<editors::blocks::BlockSettingDialog*>(QApplication::activeModalWidget());
        if (!d) {
            ADD_FAILURE() << "no block setting dialog";
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
            return;
        }
        const auto& rows = d->editor().rows();
        ASSERT_FALSE(rows.empty());
        ASSERT_EQ(rows[0].index, 0);
        d->gridModel()->setData(d->gridModel()->index(0, 3), QStringLiteral("FIC-7"), Qt::EditRole);
        printEnabled = d->printButton()->isEnabled();
        QTest::mouseClick(d->printButton(), Qt::LeftButton);
        stillOpen = d->isVisible();
        gridTag = d->editor().rows()[0].cells[3];
        heldTag = std::string(model::fieldView(app->unitContext().blockItemData.items[0].data(), 16));
        prompt.answer(kDiscardEdits, model::Answer::Ok);
        d->reject();
        if (d->isVisible()) {
            ADD_FAILURE() << "Cancel refused";
            d->QDialog::reject();
        }
    });
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->cellCentre(1));
    EXPECT_TRUE(printEnabled);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(gridTag, "FIC-7");
    EXPECT_EQ(heldTag, "FIC-7");
    EXPECT_EQ(prompt.ids(), (std::vector<int>{kDiscardEdits}));

    ASSERT_EQ(pdf->files.size(), 1u);
    const auto pages = pdfPages(pdf->files[0]);
    ASSERT_FALSE(pages.empty());
    EXPECT_TRUE(has(pages[0], "*KRAVin3 Function Block Setting*"));
    EXPECT_TRUE(has(pages[0], "STATION:3B CARD:A QV200 1.00 G01 CTL(01)"));
    EXPECT_TRUE(has(pages[0], "(1/" + std::to_string(pages.size()) + ")"));
    EXPECT_TRUE(has(pages[0], "FIC-7"));
    EXPECT_TRUE(has(pages[0], "Tag name"));
    // Cancelled: the unit file keeps its empty tag.
    char head[500] = {};
    KRAVinA_Data_Get(kSeqStation, kSeqCard - 1, head, session().projectRecord.workFolder.c_str());
    char value[17] = {};
    KRAVinA_Data_Item_Get(1, 0, value);
    EXPECT_STREQ(value, "");
}


TEST_F(PrintCommandsTest, BlockListPrintShowsTheBankTheListShows)
{
    // The PWZ card's list opened from the system view, switched to bank 2 with its Bank button.
    ShellSystemView* system = app->systemView();
    ASSERT_NE(system, nullptr);
    const editors::IntRect r = editors::cellRect({kKmqStation, kPwzCard}, system->zoom());
    const QPoint centre(r.x + r.width / 2, r.y + r.height / 2);
    QTest::mouseClick(system->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(system->viewport(), Qt::LeftButton, {}, centre);
    ChildFrame* list = frame().frame(ViewKind::BlkList);
    ASSERT_NE(list, nullptr);
    auto* bar = list->findChild<ViewBar*>();
    ASSERT_NE(bar, nullptr);
    const struct {
        bool pressBank;
        int pages;
        std::vector<std::string> shown, hidden;
    } cases[] = {
        {false, 3, {"STATION:00 CARD:1 PWZ 1.00 BANK 0", "SYS(00)", "CTL(01)"}, {"BANK 2", "B2A(00)"}},
        {true, 2, {"STATION:00 CARD:1 PWZ 1.00 BANK 2", "B2A(00)", "B2D(00)", "G08", "Relaying Terminal Block"},
         {"BANK 0", "CTL(01)"}},
    };
    for (const auto& c : cases) {
        if (c.pressBank) {
            ASSERT_TRUE(bar->click(barid::BlkListBank));
        }
        list->setFocus();
        ASSERT_EQ(frame().activeKind(), ViewKind::BlkList);
        const std::size_t before = pdf->files.size();
        ASSERT_TRUE(frame().trigger(cmd::FilePrint));
        ASSERT_EQ(pdf->files.size(), before + 1);
        const auto pages = pdfPages(pdf->files.back());
        ASSERT_EQ(static_cast<int>(pages.size()), c.pages) << c.pressBank;
        std::string all;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            EXPECT_TRUE(has(pages[i], "(" + std::to_string(i + 1) + "/" + std::to_string(c.pages) + ")"));
            all += pages[i];
        }
        for (const auto& t : c.shown) EXPECT_TRUE(has(all, t)) << t << "\n" << all;
        for (const auto& t : c.hidden) EXPECT_FALSE(has(all, t)) << t;
    }
}

TEST_F(PrintCommandsTest, StoppedBulkPrintLeavesTheEarlierFileAsItWas)
{
    const std::string chosen = dir.str() + "/plant.pdf";
    const std::string earlier = "%PDF-1.4 an earlier print of the plant\n";
    {
        std::ofstream out(chosen, std::ios::binary);
        out << earlier;
    }
    pdf->fixedName = chosen;
    const auto folder = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.str())) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const auto before = folder();
    const auto content = [&] {
        std::ifstream in(chosen, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    // Stop after some pages went out.
    QString status;
    bool printedSome = false;
    whenBulkDialog([&](print::BulkPrintDialog* d) {
        const QString started = QStringLiteral("Start Printing.");
        d->startButton()->click();
        printedSome = QTest::qWaitFor([&] { return d->statusText() != started; }, 10000);
        QTest::qWait(50);
        ASSERT_TRUE(d->running());
        d->startButton()->click();
        status = d->statusText();
        d->closeButton()->click();
    });
    ASSERT_TRUE(frame().trigger(cmd::FileBulkPrint));
    EXPECT_TRUE(printedSome);
    EXPECT_EQ(status.toStdString(), "Printing is stopped.");
    EXPECT_EQ(content(), earlier);
    EXPECT_EQ(folder(), before);  // nothing written beside it is left

    // A run that completes puts the whole job in its place.
    startWhenBulkDialog(status);
    ASSERT_TRUE(frame().trigger(cmd::FileBulkPrint));
    EXPECT_EQ(status.toStdString(), "Printing is completed.");
    EXPECT_EQ(folder(), before);
    const auto pages = pdfPages(chosen);
    ASSERT_GE(pages.size(), 10u);
    EXPECT_TRUE(has(pages[0], "KRAVin3 Document"));
    EXPECT_EQ(std::filesystem::status(chosen).permissions() & std::filesystem::perms::owner_read,
              std::filesystem::perms::owner_read);
}

}  // namespace
}  // namespace kravin::shell
