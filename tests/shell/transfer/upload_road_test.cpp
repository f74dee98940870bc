// Upload and network download through the real main frame: the system view's commands,
// the dialogs and their workers, against the controller simulator and the simulated bus;
// then the files of the work folder.
#include "block_list_page.h"
#include "child_frame.h"
#include "command_ids.h"
#include "compare_dialog.h"
#include "compare_error_dialog.h"
#include "net_download_dialog.h"
#include "option_dialog.h"
#include "option_port.h"
#include "pty_server.h"
#include "shell_fixture.h"
#include "transfer_shell.h"
#include "upload_dialog.h"
#include "upload_shell.h"
#include "transfer_unit.h"
#include "upload_devices.h"

#include "KRAVinA.h"
#include "vuken_sim.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QComboBox>
#include <QPushButton>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

namespace kravin::shell {
namespace {

namespace fs = std::filesystem;

class UploadRoad : public test::ShellFixture {
protected:
    void SetUp() override
    {
        vuken_sim_reset();
        qvsim::SimCard card = qvsim::BlankCard("QV200", "0001");
        card.bank0[1] = {{10, "01"}, {2, "1"}, {5, "16"}, {6, "42"}, {7, "12.3"}, {11, "100.0"}};
        card.bank0[2] = {{10, "21"}, {11, "0000"}, {2, "1"}};
        server = std::make_unique<qvsim::PtyServer>(std::vector<qvsim::SimCard>{card});
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
        start();
        profile->setValue(QStringLiteral("KRAVin/EXTRA_PORTS"), QString::fromStdString(server->devicePath()));
        app->onlineShell()->transfers().setTiming({});
        online::SerialLinkSettings s;
        s.replyTimeout = std::chrono::milliseconds(300);
        app->serialLink()->setSettings(s);
    }
    void TearDown() override
    {
        test::ShellFixture::TearDown();
        vuken_sim_reset();
    }

    // The simulator serves these cards instead.
    void serve(std::vector<qvsim::SimCard> cards)
    {
        server = std::make_unique<qvsim::PtyServer>(std::move(cards));
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
        profile->setValue(QStringLiteral("KRAVin/EXTRA_PORTS"), QString::fromStdString(server->devicePath()));
    }

    void allocatePort(const char* device = "QVxxx(JOV-US)")
    {
        ASSERT_NO_FATAL_FAILURE(test::choosePort(*app, server->devicePath(), device));
        // The Option dialog's OK took the reply time-out from the settings: short again.
        online::SerialLinkSettings s;
        s.replyTimeout = std::chrono::milliseconds(300);
        app->serialLink()->setSettings(s);
    }

    // The simulator serves a V8RTU device of cards cards that count count, at the speed of
    // the kind, on a port allocated to "V8RTU(JOV-US)"; edit changes the cards first.
    void serveV8rtu(int cards, const std::string& count,
                    const std::function<void(std::vector<qvsim::SimCard>&)>& edit = {})
    {
        const int speed = app->masters().card.speedCode[static_cast<std::size_t>(app->masters().card.find("V8RTU"))];
        std::vector<qvsim::SimCard> device = test::V8rtuDevice(cards, count, speed);
        if (edit) edit(device);
        ASSERT_NO_FATAL_FAILURE(serve(device));
        ASSERT_NO_FATAL_FAILURE(allocatePort("V8RTU(JOV-US)"));
    }

    // The Network Download dialog starts its run as it opens; how the run ended goes to
    // outcome, and a run that did not finish closes the dialog.
    void startNetDownloadOnOpen(online::TransferOutcome& outcome,
                                std::function<void(online::NetDownloadDialog&)> check = {})
    {
        app->onlineShell()->uploads().beforeDialog = [&outcome, check](QDialog& d) {
            auto* dialog = qobject_cast<online::NetDownloadDialog*>(&d);
            ASSERT_NE(dialog, nullptr);
            if (check) check(*dialog);
            QObject::connect(dialog, &online::NetDownloadDialog::runEnded, dialog, [&outcome, dialog](auto o) {
                outcome = o;
                if (o != online::TransferOutcome::Finished) dialog->reject();
            });
            QMetaObject::invokeMethod(dialog, [dialog] { dialog->startStop(); }, Qt::QueuedConnection);
        };
    }

    // Station 4 as a V8RTU station of cards cards whose unit files hold block 0 and, when
    // asked, an ADS block (code 51) in group 30.
    void placeV8rtuStation(bool withAds, int cards = 2)
    {
        model::SystemConfigTables& t = app->systemTables();
        t.stationKind[4] = app->masters().station.find("V8RTU");
        ASSERT_GT(t.stationKind[4], 0);
        t.stationUnitText[4] = std::to_string(cards);
        const int kind = app->masters().card.find("V8RTU");
        ASSERT_GT(kind, 0);
        const std::string work = session().projectRecord.workFolder;
        for (int c = 0; c < cards; ++c) {
            t.cardKind[4][c] = kind;
            char head[500] = {};
            KRAVinA_Data_Get(4, c, head, work.c_str());
            std::memset(head, 0, sizeof head);
            std::memcpy(head, "00SYS", 5);
            if (withAds) {
                std::memcpy(head + 5 * 30, "51ADS", 5);
                char entry[20] = {};
                std::memcpy(entry, "51", 2);
                KRAVinA_Data_Item_Set(30, 10, entry);
            }
            ASSERT_EQ(KRAVinA_Data_Write(4, c, head, work.c_str()), 0);
        }
    }

    // Runs an upload command; Start is pressed and the outcome kept.
    // Runs an upload command of the frame. An item the device reads empty (the bus) is
    // asked about: Skip All.
    online::TransferOutcome upload(int command)
    {
        return uploadThrough([this, command] { EXPECT_TRUE(app->onlineShell()->runCommand(command)); });
    }

    // Runs the upload that start() chooses (a command of the frame or of a view); Start is
    // pressed and the outcome kept.
    online::TransferOutcome uploadThrough(const std::function<void()>& start)
    {
        online::TransferOutcome outcome = online::TransferOutcome::Running;
        QTimer answerer;
        answerer.setInterval(5);
        QObject::connect(&answerer, &QTimer::timeout, [this] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                d && QByteArray(d->metaObject()->className()).contains("ItemMissingDialog")) {
                ++missingAsked;
                d->done(model::AnswerSkipAll);
            }
        });
        answerer.start();
        app->onlineShell()->uploads().beforeDialog = [&outcome](QDialog& d) {
            auto* dialog = qobject_cast<online::UploadDialog*>(&d);
            ASSERT_NE(dialog, nullptr);
            QObject::connect(dialog, &online::UploadDialog::runEnded, dialog, [&outcome, dialog](auto o) {
                outcome = o;
                if (o != online::TransferOutcome::Finished) dialog->reject();
            });
            QMetaObject::invokeMethod(dialog, [dialog] { dialog->startStop(); }, Qt::QueuedConnection);
        };
        start();
        return outcome;
    }

    // The function block list of the current unit, opened from the frame.
    ShellBlockListView* openBlockList()
    {
        if (!frame().trigger(cmd::ViewBlkList)) return nullptr;
        ChildFrame* f = frame().frame(ViewKind::BlkList);
        return f ? qobject_cast<ShellBlockListView*>(f->view()) : nullptr;
    }

    // The block list's context menu at group offers menu; its entry command, enabled, runs
    // the upload of the group.
    online::TransferOutcome uploadGroupFromList(int group, const std::vector<int>& menu, int command)
    {
        app->unitSelection().loadUnitBlocks();
        ShellBlockListView* list = openBlockList();
        EXPECT_NE(list, nullptr);
        if (!list) return online::TransferOutcome::Failed;
        EXPECT_EQ(list->contextMenuAt(list->cellCentre(group)), menu);
        EXPECT_TRUE(list->isCommandEnabled(command));
        return uploadThrough([list, command] { list->runCommand(command); });
    }

    // Every request the simulated bus served, as "W address:group.item=data" or "R address:group.item".
    static std::vector<std::string> busRequests()
    {
        std::vector<std::string> requests;
        for (long i = 0; i < vuken_sim_journal_size(); ++i) {
            VukenJournalEntry e{};
            vuken_sim_journal_entry(i, &e);
            requests.push_back(std::string(e.operation == VUKEN_OP_WRITE ? "W " : "R ") + std::to_string(e.address) +
                               ":" + std::to_string(e.group) + "." + std::to_string(e.item) +
                               (e.operation == VUKEN_OP_WRITE ? "=" + std::string(e.data) : ""));
        }
        return requests;
    }

    // A compare command; its differences (-1 when it did not finish).
    int compare(int command)
    {
        int differences = -1;
        // Each Compare Error is recorded and skipped.
        QTimer answerer;
        answerer.setInterval(5);
        QObject::connect(&answerer, &QTimer::timeout, [this] {
            if (auto* e = qobject_cast<online::CompareErrorDialog*>(QApplication::activeModalWidget())) {
                compareErrors.push_back(e->field(1)->text().toStdString() + "." + e->field(2)->text().toStdString() + ": " +
                                        e->field(3)->text().toStdString() + " / " + e->field(4)->text().toStdString());
                e->done(model::AnswerSkip);
            } else if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                       d && QByteArray(d->metaObject()->className()).contains("ComErrorDialog")) {
                compareErrors.push_back("communication error");
                d->done(model::AnswerAbort);
            }
        });
        answerer.start();
        app->onlineShell()->transfers().beforeDialog = [&differences](QDialog& d) {
            auto* dialog = qobject_cast<online::CompareDialog*>(&d);
            ASSERT_NE(dialog, nullptr);
            QObject::connect(dialog, &online::CompareDialog::runEnded, dialog, [&differences, dialog](auto o) {
                if (o == online::TransferOutcome::Finished) differences = dialog->lastDifferences();
                dialog->reject();
            });
            QMetaObject::invokeMethod(dialog, [dialog] { dialog->startStop(); }, Qt::QueuedConnection);
        };
        EXPECT_TRUE(app->onlineShell()->runCommand(command));
        return differences;
    }

    std::string fileItem(int station, int card, int group, int item)
    {
        char head[500] = {};
        KRAVinA_Data_Get(station, card, head, session().projectRecord.workFolder.c_str());
        char text[20] = {};
        KRAVinA_Data_Item_Get(group, item, text);
        return std::string(text, ::strnlen(text, 16));
    }
    std::string fileCode(int station, int card, int group)
    {
        char head[500] = {};
        KRAVinA_Data_Get(station, card, head, session().projectRecord.workFolder.c_str());
        return std::string(head + 5 * group, ::strnlen(head + 5 * group, 5));
    }

    // Every file of the work folder with its bytes.
    std::map<std::string, std::string> folderBytes()
    {
        std::map<std::string, std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(session().projectRecord.workFolder)) {
            if (!e.is_regular_file()) continue;
            std::ifstream in(e.path(), std::ios::binary);
            out[e.path().string()] = std::string(std::istreambuf_iterator<char>(in), {});
        }
        return out;
    }

    std::unique_ptr<qvsim::PtyServer> server;
    std::vector<std::string> compareErrors;
    int missingAsked = 0;  // item-missing questions the uploads asked
};

TEST_F(UploadRoad, UploadIntoAnEmptySlotOfANewProjectThenCompare)
{
    ASSERT_NO_FATAL_FAILURE(allocatePort());
    app->unitSelection().select(0, 1);
    ASSERT_EQ(app->systemTables().cardKind[0][0], 0);
    ASSERT_EQ(upload(uploadcmd::Upload), online::TransferOutcome::Finished) << ::testing::PrintToString(prompt.ids());

    // The unit was created with the device's kind and version, and the files hold its values.
    const int kind = app->masters().card.find("QV200");
    EXPECT_EQ(app->systemTables().cardKind[0][0], kind);
    EXPECT_EQ(app->masters().card.versions[static_cast<std::size_t>(kind)]
                                           [static_cast<std::size_t>(app->systemTables().cardVersion[0][0])],
              "1.00");
    EXPECT_EQ(fileCode(0, 0, 1), "01CTL");
    EXPECT_EQ(fileCode(0, 0, 2), "21BCA");
    EXPECT_EQ(fileItem(0, 0, 1, 6), "42");
    EXPECT_EQ(fileItem(0, 0, 1, 7), "12.3");
    EXPECT_EQ(fileItem(0, 0, 1, 5), "16");
    EXPECT_EQ(fileItem(0, 0, 1, 11), "100.0");
    EXPECT_EQ(fileItem(0, 0, 2, 11), "0000");
    EXPECT_EQ(fileItem(0, 0, 1, 10), "01");
    EXPECT_EQ(fileItem(0, 0, 0, 97), "QV200   ");
    EXPECT_EQ(session().projectRecord.modified, 1);
    EXPECT_EQ(app->unitContext().g_curCard, 1);
    EXPECT_TRUE(app->onlineShell()->owner().Free());
    EXPECT_FALSE(app->serialLink()->isOpen());

    // The compare finds the device as the project holds it.
    EXPECT_EQ(compare(transfercmd::Compare), 0) << ::testing::PrintToString(compareErrors);
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
}

// The TQN row serves the TQ kinds at two speeds; for an empty slot the kind is not known
// before the card type is read, so it is read at each speed until the device answers,
// and the rest at the kind's own. Group 1 item 10 tells TQRW ("**") from 63WH.
TEST_F(UploadRoad, UploadIntoAnEmptySlotOverTheTqnRowFindsTheDevicesSpeed)
{
    struct Case {
        const char* kind;
        const char* block1;  // group 1 item 10
    };
    const Case cases[] = {{"TQRC", "**"}, {"RNH6", "**"}, {"TQRW", "**"}, {"63WH", "01"}};
    int card = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const std::string name = (std::string(c.kind) + "        ").substr(0, 8);
        qvsim::SimCard device = qvsim::BlankCard(c.kind, "0001");
        int bus = 0, speed = -1, value = 0;
        ASSERT_EQ(model::FindCardKind(app->masters(), name, &bus, &speed, &value), 1);
        device.baudIndex = speed;
        device.bank0[1] = {{10, c.block1}};
        ASSERT_NO_FATAL_FAILURE(serve({device}));
        ASSERT_NO_FATAL_FAILURE(allocatePort("TQN(JOV-UM)"));
        app->unitSelection().select(0, card);
        ASSERT_EQ(app->systemTables().cardKind[0][card - 1], 0);
        prompt.clearLog();
        EXPECT_EQ(upload(uploadcmd::Upload), online::TransferOutcome::Finished)
            << ::testing::PrintToString(prompt.ids());
        EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
        EXPECT_EQ(app->systemTables().cardKind[0][card - 1], app->masters().card.find(c.kind));
        EXPECT_EQ(fileItem(0, card - 1, 0, 97), name);
        EXPECT_TRUE(app->onlineShell()->owner().Free());
        card += 2;
    }
}

TEST_F(UploadRoad, NoReplyMidwayOrStopLeavesTheProjectByteIdentical)
{
    ASSERT_NO_FATAL_FAILURE(allocatePort());
    app->unitSelection().select(0, 1);
    ASSERT_EQ(upload(uploadcmd::Upload), online::TransferOutcome::Finished);
    const auto before = folderBytes();
    const model::SystemConfigTables tables = app->systemTables();
    session().projectRecord.modified = 0;

    // The device changed; the next read of group 2 gets no reply at all.
    server->withController([](qvsim::Controller& c) { c.setValue(0, 0, 1, 6, "0043"); });
    server->setItemFault(2, 11, qvsim::Fault::NoReply);
    EXPECT_EQ(upload(uploadcmd::Upload), online::TransferOutcome::Failed);
    EXPECT_EQ(prompt.ids(), (std::vector<int>{8300}));
    EXPECT_EQ(folderBytes(), before);
    EXPECT_EQ(app->systemTables().cardKind, tables.cardKind);
    EXPECT_EQ(session().projectRecord.modified, 0);
    EXPECT_TRUE(app->onlineShell()->owner().Free());

    // Stop after the first group: nothing written either.
    server->setItemFault(2, 11, qvsim::Fault::None);
    app->onlineShell()->uploads().beforeDialog = [](QDialog& d) {
        auto* dialog = qobject_cast<online::UploadDialog*>(&d);
        ASSERT_NE(dialog, nullptr);
        QObject::connect(dialog->worker(), &online::TransferWorker::progress, dialog, [dialog](const online::TransferProgress& p) {
            if (p.group == 1 && dialog->running()) dialog->startStop();
        });
        QObject::connect(dialog, &online::UploadDialog::runEnded, dialog, [dialog](auto o) {
            EXPECT_EQ(o, online::TransferOutcome::Stopped);
            dialog->reject();
        });
        QMetaObject::invokeMethod(dialog, [dialog] { dialog->startStop(); }, Qt::QueuedConnection);
    };
    prompt.clearLog();
    EXPECT_TRUE(app->onlineShell()->runCommand(uploadcmd::Upload));
    EXPECT_EQ(folderBytes(), before);
    EXPECT_EQ(session().projectRecord.modified, 0);
    // Stop ends the run without a message.
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
}

TEST_F(UploadRoad, SlowDeviceNeverPutsOneItemsValueIntoAnother)
{
    ASSERT_NO_FATAL_FAILURE(allocatePort());
    app->unitSelection().select(0, 1);
    ASSERT_EQ(upload(uploadcmd::Upload), online::TransferOutcome::Finished);
    const auto before = folderBytes();
    session().projectRecord.modified = 0;

    // Item 1.06 answers late for every try (2.1 time-outs): its repeats get its own late
    // reply or time out, and the items after it get theirs.
    qvsim::FaultSettings faults;
    faults.slowDelay = std::chrono::milliseconds(630);
    server->setFaultSettings(faults);
    server->setItemFault(1, 6, qvsim::Fault::Slow, 4);
    const online::TransferOutcome outcome = upload(uploadcmd::Upload);
    if (outcome == online::TransferOutcome::Finished) {
        EXPECT_EQ(folderBytes(), before) << ::testing::PrintToString(prompt.ids());
    } else {
        EXPECT_EQ(prompt.ids(), (std::vector<int>{8300}));
    }
    EXPECT_EQ(fileItem(0, 0, 1, 5), "16");
    EXPECT_EQ(fileItem(0, 0, 1, 6), "42");
    EXPECT_EQ(fileItem(0, 0, 1, 7), "12.3");
    EXPECT_EQ(fileItem(0, 0, 1, 11), "100.0");

    // A device that stays slow past every repeat: the upload and the compare take the
    // error path, the project stays as it was.
    server->setItemFault(1, 6, qvsim::Fault::None);
    server->setStandingFault(qvsim::Fault::Slow);
    faults.slowDelay = std::chrono::milliseconds(1300);
    server->setFaultSettings(faults);
    prompt.clearLog();
    const auto uploaded = folderBytes();
    EXPECT_EQ(upload(uploadcmd::Upload), online::TransferOutcome::Failed);
    EXPECT_EQ(prompt.ids(), (std::vector<int>{8300}));
    EXPECT_EQ(folderBytes(), uploaded);
    EXPECT_EQ(compare(transfercmd::Compare), -1);
    EXPECT_EQ(compareErrors, (std::vector<std::string>{"communication error"}));
    EXPECT_TRUE(app->onlineShell()->owner().Free());
}

TEST_F(UploadRoad, NetworkDownloadThenNetworkCompareAndUploadShowNoDifference)
{
    // A card with its values: uploaded from the simulator first.
    ASSERT_NO_FATAL_FAILURE(allocatePort());
    app->unitSelection().select(0, 1);
    ASSERT_EQ(upload(uploadcmd::Upload), online::TransferOutcome::Finished);

    // The device holds group 0 as a device does (the network download writes only its mode items).
    vuken_sim_add_card(0, 0);
    for (int i = 0; i < 100; ++i) vuken_sim_set_item(0, 0, 0, i, fileItem(0, 0, 0, i).c_str());

    prompt.clearLog();
    online::TransferOutcome downloaded = online::TransferOutcome::Running;
    startNetDownloadOnOpen(downloaded, [](online::NetDownloadDialog& d) { EXPECT_TRUE(d.clearBox()->isChecked()); });
    EXPECT_TRUE(app->onlineShell()->runCommand(uploadcmd::NetDownload));
    ASSERT_EQ(downloaded, online::TransferOutcome::Finished) << ::testing::PrintToString(prompt.ids());
    EXPECT_TRUE(prompt.ids().empty()) << "a question at the start: " << ::testing::PrintToString(prompt.ids());
    char value[32] = {};
    vuken_sim_get_item(0, 0, 1, 6, value, sizeof value);
    EXPECT_STREQ(value, "42");
    vuken_sim_get_item(0, 0, 0, 1, value, sizeof value);
    EXPECT_STREQ(value, "0");  // download mode off at the end
    vuken_sim_get_item(0, 0, 2, 11, value, sizeof value);
    EXPECT_STREQ(value, "0000");
    vuken_sim_get_item(0, 0, 1, 10, value, sizeof value);
    EXPECT_STREQ(value, "01");
    // The groups without a block keep their block number as the device had it (the clear
    // zeroed them on the simulated bus).
    for (int g = 1; g < 100; ++g)
        if (fileCode(0, 0, g).empty()) vuken_sim_set_item(0, 0, g, 10, fileItem(0, 0, g, 10).c_str());
    EXPECT_EQ(compare(transfercmd::NetCompare), 0) << ::testing::PrintToString(compareErrors);

    // The network upload reads it back into the project unchanged.
    const auto before = folderBytes();
    EXPECT_EQ(upload(uploadcmd::NetUpload), online::TransferOutcome::Finished) << ::testing::PrintToString(prompt.ids());
    EXPECT_EQ(folderBytes(), before);
    EXPECT_TRUE(app->onlineShell()->owner().Free());
}

// The network download of a V8RTU station from the system configuration: the remote card
// is checked first (its count raised to the station's), then the cards follow, and the
// mode goes off once at the station's address.
TEST_F(UploadRoad, V8rtuStationNetworkDownloadSetsTheRemoteCardCountFirst)
{
    ASSERT_NO_FATAL_FAILURE(placeV8rtuStation(true));
    for (int c = 0; c < 2; ++c) vuken_sim_add_card(4, c);
    vuken_sim_set_item(4, 0, 0, 1, "0");
    vuken_sim_set_item(4, 0, 0, 52, "1");  // the device holds one card
    app->unitSelection().select(4, 0);

    online::TransferOutcome downloaded = online::TransferOutcome::Running;
    startNetDownloadOnOpen(downloaded);
    EXPECT_TRUE(app->onlineShell()->runCommand(uploadcmd::NetDownload));
    ASSERT_EQ(downloaded, online::TransferOutcome::Finished) << ::testing::PrintToString(prompt.ids());

    const std::vector<std::string> requests = busRequests();
    const std::string station = std::to_string(4 << 5);
    const std::vector<std::string> check{"R " + station + ":0.1", "R " + station + ":0.52", "W " + station + ":0.1=1",
                                         "W " + station + ":0.52=2"};
    ASSERT_GT(requests.size(), check.size()) << ::testing::PrintToString(requests);
    EXPECT_EQ(std::vector<std::string>(requests.begin(), requests.begin() + 4), check) << ::testing::PrintToString(requests);
    EXPECT_NE(std::find(requests.begin(), requests.end(), "W " + std::to_string(4 << 5 | 1) + ":30.10=51"), requests.end());
    char value[32] = {};
    vuken_sim_get_item(4, 0, 0, 52, value, sizeof value);
    EXPECT_STREQ(value, "2");
    vuken_sim_get_item(4, 0, 0, 1, value, sizeof value);
    EXPECT_STREQ(value, "0");
    EXPECT_EQ(app->unitContext().g_curCard, 0);
}

// A V8RTU station of three cards whose blocks differ per card: Network Download from the
// system view's context menu at the station, Network upload into the emptied station card
// by card, Network Compare. Every card's unit file comes back item by item.
TEST_F(UploadRoad, V8rtuStationOfThreeCardsNetworkDownloadUploadAndCompare)
{
    ASSERT_NO_FATAL_FAILURE(placeV8rtuStation(false, 3));
    const std::string work = session().projectRecord.workFolder;
    const char* kinds[] = {"31CDI", "32CDO", "33CAI"};
    for (int c = 0; c < 3; ++c) {
        const int group = 11 + c;
        app->unitSelection().select(4, c + 1);
        char head[500] = {};
        KRAVinA_Data_Get(4, c, head, work.c_str());
        // The blocks every placed card starts with (the sequence switch too), and its own.
        std::memcpy(head + 5, "01RIO", 5);
        std::memcpy(head + 5 * 80, "94SSW", 5);
        std::memcpy(head + 5 * group, kinds[c], 5);
        ASSERT_EQ(KRAVinA_Data_Write(4, c, head, work.c_str()), 0);
        app->unitSelection().loadUnitBlocks();
        for (int g : {0, 1, 80, group}) app->unitContext().WriteItemDefaults(g);
        ASSERT_EQ(KRAVinA_Data_Write(4, c, head, work.c_str()), 0);
    }
    test::BlankBusV8rtuStation(4, 3);
    app->unitSelection().select(4, 0);

    online::TransferOutcome downloaded = online::TransferOutcome::Running;
    startNetDownloadOnOpen(downloaded);
    ShellSystemView* view = app->systemView();
    ASSERT_NE(view, nullptr);
    const editors::IntRect r = editors::cellRect({4, 0}, view->zoom());
    const QPoint scroll = view->scrollPosition();
    bool offered = false;
    for (const auto& [id, enabled] :
         view->contextMenuEntries({r.x + r.width / 2 - scroll.x(), r.y + r.height / 2 - scroll.y()}))
        if (id == uploadcmd::NetDownload) offered = enabled;
    ASSERT_TRUE(offered);
    Q_EMIT view->commandRequested(uploadcmd::NetDownload);
    ASSERT_EQ(downloaded, online::TransferOutcome::Finished) << ::testing::PrintToString(prompt.ids());

    // What the project held, and then the station's cards emptied: a V8RTU card comes only
    // into a card the station already has, so the station and its cards stay placed, each
    // card with its system block alone.
    // Only the items the download wrote come back as they were: not the device's own (FA_),
    // nor the unit's number, card count and card name, which group 0 holds in forms of their own.
    std::map<std::string, std::string> sent;
    model::UnitContext& unit = app->unitContext();
    for (int c = 0; c < 3; ++c) {
        app->unitSelection().select(4, c + 1);
        app->unitSelection().loadUnitBlocks();
        for (int g = 0; g < 100; ++g) {
            sent[std::to_string(c) + ":" + std::to_string(g)] = fileCode(4, c, g);
            if (fileCode(4, c, g).empty()) continue;
            ASSERT_EQ(unit.LoadBlockDefinition(unit.model(), unit.version(), unit.blockId(g)), 0) << g;
            for (int i = 0; i < 100; ++i) {
                const std::string_view type = model::fieldView(unit.itemDefinitions[static_cast<std::size_t>(i)].type);
                if (type.empty() || type.substr(0, 3) == "FA_" || type.substr(0, 3) == "NON") continue;
                if (g == 0 && (i == 51 || i == 52 || i == 97)) continue;
                sent[std::to_string(c) + ":" + std::to_string(g) + "." + std::to_string(i)] = fileItem(4, c, g, i);
            }
        }
    }
    model::SystemConfigTables& t = app->systemTables();
    for (int c = 0; c < 3; ++c) {
        char head[500] = {};
        KRAVinA_Data_Get(4, c, head, work.c_str());
        std::memset(head + 5, 0, sizeof head - 5);
        char none[20] = {};
        for (int g = 0; g < 100; ++g)
            for (int i = 0; i < 100; ++i) KRAVinA_Data_Item_Set(g, i, none);
        ASSERT_EQ(KRAVinA_Data_Write(4, c, head, work.c_str()), 0);
    }

    app->unitSelection().select(4, 1);
    ASSERT_EQ(upload(uploadcmd::NetUpload), online::TransferOutcome::Finished) << ::testing::PrintToString(prompt.ids());
    // The device's serial number, lot and hardware code, written empty, read empty: asked once.
    EXPECT_EQ(missingAsked, 1);
    EXPECT_EQ(t.stationUnitText[4].substr(0, 1), "3");
    for (const auto& [key, value] : sent) {
        const int c = std::stoi(key.substr(0, 1));
        const auto dot = key.find('.');
        const int g = std::stoi(key.substr(2, dot == std::string::npos ? std::string::npos : dot - 2));
        if (dot == std::string::npos) {
            // Group 80 without a block comes back with the sequence switch.
            EXPECT_EQ(fileCode(4, c, g), g == 80 && value.empty() ? "94SSW" : value) << key;
            continue;
        }
        EXPECT_EQ(fileItem(4, c, g, std::stoi(key.substr(dot + 1))), value) << key;
    }

    app->unitSelection().select(4, 0);
    EXPECT_EQ(compare(transfercmd::NetCompare), 0) << ::testing::PrintToString(compareErrors);
    EXPECT_TRUE(compareErrors.empty()) << ::testing::PrintToString(compareErrors);
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
    EXPECT_TRUE(app->onlineShell()->owner().Free());
}

// A QV200W device uploaded into an empty slot: its two units take this slot and the next,
// each with its unit byte and its own values.
TEST_F(UploadRoad, QV200wDeviceComesIntoTwoSlots)
{
    ASSERT_NO_FATAL_FAILURE(serve(test::Qv200wDevice()));
    ASSERT_NO_FATAL_FAILURE(allocatePort());
    app->unitSelection().select(0, 3);
    ASSERT_EQ(upload(uploadcmd::Upload), online::TransferOutcome::Finished) << ::testing::PrintToString(prompt.ids());

    const int kind = app->masters().card.find("QV200W");
    const model::SystemConfigTables& t = app->systemTables();
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(t.cardKind[0][2 + i], kind);
        EXPECT_EQ(t.cardUnitText[0][2 + i], std::string(1, static_cast<char>(i)));
        EXPECT_EQ(fileItem(0, 2 + i, 0, 11), std::to_string(200 + i));
        EXPECT_EQ(fileCode(0, 2 + i, 0), "00SYS");
    }
    EXPECT_EQ(app->unitContext().g_curCard, 3) << "the first unit is the current one again";
    EXPECT_EQ(t.cardKind[0][4], 0);
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
}

// A V8RTU station is uploaded card by card from card 1; the device counts three cards where
// the project had two: the third comes with card 1's kind and its values.
TEST_F(UploadRoad, V8rtuStationIsUploadedCardByCardAndGainsACard)
{
    ASSERT_NO_FATAL_FAILURE(serveV8rtu(3, "3"));
    ASSERT_NO_FATAL_FAILURE(placeV8rtuStation(false));
    const model::SystemConfigTables& t = app->systemTables();
    const int kind = app->masters().card.find("V8RTU");
    app->unitSelection().select(4, 1);
    ASSERT_EQ(upload(uploadcmd::Upload), online::TransferOutcome::Finished) << ::testing::PrintToString(prompt.ids());

    EXPECT_EQ(t.stationUnitText[4].substr(0, 1), "3");
    for (int c = 0; c < 3; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(t.cardKind[4][c], kind);
        EXPECT_EQ(fileItem(4, c, 11, 0), std::to_string(100 + c));
        EXPECT_EQ(fileItem(4, c, 0, 11), "100");
        EXPECT_EQ(fileCode(4, c, 0), "00SYS");
    }
    EXPECT_EQ(fileItem(4, 0, 0, 52), "3");
    EXPECT_EQ(app->unitContext().g_curCard, 1);
    EXPECT_EQ(session().projectRecord.modified, 1);
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());

    // From a later card only that card is read; its groups 0 and 1 go into card 1 as well.
    server->withController([](qvsim::Controller& c) { c.setValue(1, 0, 0, 11, "555"); });
    app->unitSelection().select(4, 2);
    ASSERT_EQ(upload(uploadcmd::Upload), online::TransferOutcome::Finished) << ::testing::PrintToString(prompt.ids());
    EXPECT_EQ(fileItem(4, 1, 0, 11), "555");
    EXPECT_EQ(fileItem(4, 0, 0, 11), "555");
    EXPECT_EQ(fileItem(4, 2, 0, 11), "100") << "card 3 keeps what it had";
    EXPECT_EQ(fileItem(4, 2, 11, 0), "102");
    EXPECT_EQ(fileItem(4, 0, 0, 52), "3");
    EXPECT_EQ(app->unitContext().g_curCard, 2);
}

// An uploaded TQRC card's used ports take the slots above it as its slot cards.
TEST_F(UploadRoad, TqrcCardsUsedPortsBecomeItsSlotCards)
{
    const model::CardKindMaster& cards = app->masters().card;
    const int tqrc = cards.find("TQRC");
    ASSERT_GT(tqrc, 0);
    ASSERT_EQ(cards.name[static_cast<std::size_t>(tqrc + 1)].substr(0, 5), "TQRC$");
    qvsim::SimCard device = qvsim::BlankCard("TQRC", "0001");
    device.baudIndex = cards.speedCode[static_cast<std::size_t>(tqrc)];
    device.bank0[1] = {{10, "01"}, {11, "33"}, {28, "34"}};
    ASSERT_NO_FATAL_FAILURE(serve({device}));
    ASSERT_NO_FATAL_FAILURE(allocatePort());
    model::SystemConfigTables& t = app->systemTables();
    t.cardKind[1][5] = tqrc;
    const std::string work = session().projectRecord.workFolder;
    char head[500] = {};
    KRAVinA_Data_Get(1, 5, head, work.c_str());
    std::memset(head, 0, sizeof head);
    std::memcpy(head, "00SYS", 5);
    ASSERT_EQ(KRAVinA_Data_Write(1, 5, head, work.c_str()), 0);
    app->unitSelection().select(1, 6);
    ASSERT_EQ(upload(uploadcmd::Upload), online::TransferOutcome::Finished) << ::testing::PrintToString(prompt.ids());

    EXPECT_EQ(t.cardUnitText[1][5], "11000");
    EXPECT_EQ(t.cardKind[1][6], tqrc + 1);
    EXPECT_EQ(t.cardKind[1][7], tqrc + 1);
    EXPECT_EQ(t.cardKind[1][8], 0);
    EXPECT_NE(t.cardX[1][6], 0);
    EXPECT_EQ(fileItem(1, 5, 1, 28), "34");
}

// The block list's Upload on an empty group reads that one group from the device into the
// slot; the unit's other groups stay as the project holds them.
TEST_F(UploadRoad, UploadOfOneGroupIntoAnEmptyGroupFromTheBlockList)
{
    ASSERT_NO_FATAL_FAILURE(allocatePort());
    ASSERT_NO_FATAL_FAILURE(writeQv200Unit({{0, "00SYS"}, {1, "01CTL"}}, [] {
        char entry[20] = {};
        std::memcpy(entry, "55.0", 4);
        KRAVinA_Data_Item_Set(1, 11, entry);
    }));
    ASSERT_EQ(fileCode(0, 0, 2), "");
    app->unitSelection().select(0, 1);
    ASSERT_EQ(uploadGroupFromList(2, {40609}, 40609), online::TransferOutcome::Finished)
        << ::testing::PrintToString(prompt.ids());
    EXPECT_EQ(fileCode(0, 0, 2), "21BCA");
    EXPECT_EQ(fileItem(0, 0, 2, 10), "21");
    EXPECT_EQ(fileItem(0, 0, 2, 11), "0000");
    EXPECT_EQ(fileItem(0, 0, 2, 2), "1");
    EXPECT_EQ(fileCode(0, 0, 1), "01CTL");
    EXPECT_EQ(fileItem(0, 0, 1, 11), "55.0");  // not this upload's group
    EXPECT_EQ(app->unitContext().g_unitBlocks[2][0], '2');
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
    EXPECT_TRUE(app->onlineShell()->owner().Free());
}

// The same over the bus on the second card of a V8RTU station: its Network upload reads the
// group at the card's address into that card only.
TEST_F(UploadRoad, NetworkUploadOfOneGroupIntoAnEmptyGroupOfAV8rtuCard)
{
    ASSERT_NO_FATAL_FAILURE(placeV8rtuStation(false));
    vuken_sim_add_card(4, 0);
    vuken_sim_add_card(4, 1);
    for (const auto& [item, value] : std::map<int, const char*>{
             {0, "ADD30"}, {2, "1"}, {3, "0"}, {4, "A"}, {5, "2"}, {6, "3"}, {7, "2.50"}, {8, "0"}, {10, "51"},
             {11, "0102"}, {12, "0000"}, {13, "0000"}, {14, "0000"}, {20, "1.25"}, {21, "0"}})
        vuken_sim_set_item(4, 1, 30, item, value);
    vuken_sim_set_item(4, 0, 30, 10, "51");  // card 1 holds one too: never read
    app->unitSelection().select(4, 2);
    ASSERT_EQ(uploadGroupFromList(30, {40609, 40610}, 40610), online::TransferOutcome::Finished)
        << ::testing::PrintToString(prompt.ids());
    EXPECT_EQ(fileCode(4, 1, 30), "51ADS");
    EXPECT_EQ(fileItem(4, 1, 30, 0), "ADD30");
    EXPECT_EQ(fileItem(4, 1, 30, 7), "2.50");
    EXPECT_EQ(fileItem(4, 1, 30, 11), "0102");
    EXPECT_EQ(fileItem(4, 1, 30, 20), "1.25");
    EXPECT_EQ(fileCode(4, 0, 30), "");  // card 1 as it was
    for (const std::string& r : busRequests()) {
        if (r[0] == 'R') {
            EXPECT_EQ(r.substr(0, 6), "R " + std::to_string(4 << 5 | 1) + ":") << r;
        }
    }
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
}

// A compare started at a later card of a V8RTU station passes groups 0 and 1, which the
// station holds on its first card: whatever the later card answers there, over the serial
// link and over the bus, the card compares equal.
TEST_F(UploadRoad, CompareFromALaterV8rtuCardPassesGroups0And1)
{
    ASSERT_NO_FATAL_FAILURE(serveV8rtu(2, "2", [](std::vector<qvsim::SimCard>& device) {
        device[1].bank0[30] = {{10, "51"}, {7, "2.50"}, {20, "1.25"}};
    }));
    ASSERT_NO_FATAL_FAILURE(placeV8rtuStation(false));
    app->unitSelection().select(4, 2);
    ASSERT_EQ(upload(uploadcmd::Upload), online::TransferOutcome::Finished) << ::testing::PrintToString(prompt.ids());
    ASSERT_EQ(fileCode(4, 1, 30), "51ADS");
    ASSERT_EQ(app->unitContext().g_curCard, 2);

    // Serial: card 2 answers its own texts in groups 0 and 1.
    server->withController([](qvsim::Controller& c) {
        c.setValue(1, 0, 0, 11, "999");
        c.setValue(1, 0, 1, 10, "**");
    });
    EXPECT_EQ(compare(transfercmd::Compare), 0) << ::testing::PrintToString(compareErrors);
    EXPECT_TRUE(compareErrors.empty()) << ::testing::PrintToString(compareErrors);

    // Bus: card 2's address holds its groups from 2 on, groups 0 and 1 not at all.
    vuken_sim_add_card(4, 1);
    const online::TransferUnitResult copy = online::CopyTransferUnit(app->unitContext());
    ASSERT_TRUE(copy.unit);
    ASSERT_EQ(copy.unit->cards.size(), 1u);
    for (const online::TransferGroup& g : copy.unit->cards[0].groups) {
        if (g.group < 2) continue;
        vuken_sim_set_item(4, 1, g.group, 10, g.item10.c_str());
        for (const online::TransferItem& i : g.items) vuken_sim_set_item(4, 1, g.group, i.item, i.text.c_str());
    }
    compareErrors.clear();
    EXPECT_EQ(compare(transfercmd::NetCompare), 0) << ::testing::PrintToString(compareErrors);
    EXPECT_TRUE(compareErrors.empty()) << ::testing::PrintToString(compareErrors);
    for (const std::string& r : busRequests()) {
        const std::size_t colon = r.find(':');
        EXPECT_GE(std::atoi(r.c_str() + colon + 1), 2) << r;
    }
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
}

// Each download dialog ends as the unit's device expects, whether its run finished (the
// dialog closes by itself) or the user cancelled it: the dialogs that set the download mode
// on the bus put it off at the station's address, after everything else they did there.
// The group download sets no mode and leaves the bus alone.
TEST_F(UploadRoad, EachDownloadDialogEndsWithTheModeOffAtTheStationsAddress)
{
    ASSERT_NO_FATAL_FAILURE(serveV8rtu(2, "2"));
    ASSERT_NO_FATAL_FAILURE(placeV8rtuStation(true));
    app->unitSelection().select(4, 2);
    app->unitSelection().loadUnitBlocks();
    ShellBlockListView* list = openBlockList();
    ASSERT_NE(list, nullptr);
    list->contextMenuAt(list->cellCentre(30));  // the group commands' group
    const std::string modeOff = "W " + std::to_string(4 << 5) + ":0.1=0";

    struct Case {
        const char* name;
        int command;
        bool fromList;  // the block list's command
        bool modeOff;
    };
    const Case cases[] = {
        {"Download", transfercmd::Download, false, true},
        {"Network Download", uploadcmd::NetDownload, false, true},
        {"network group download", 40427, true, true},
        {"group download", 40426, true, false},
    };
    for (const Case& c : cases) {
        for (const bool finish : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (finish ? ", finished" : ", cancelled"));
            vuken_sim_reset();
            vuken_sim_add_card(4, 0);
            vuken_sim_add_card(4, 1);
            vuken_sim_set_item(4, 0, 0, 1, "0");
            vuken_sim_set_item(4, 0, 0, 52, "2");
            prompt.clearLog();
            online::TransferOutcome outcome = online::TransferOutcome::Running;
            int opened = 0;
            const auto drive = [&outcome, &opened, finish](QDialog& d) {
                auto* dialog = qobject_cast<online::TransferDialogFrame*>(&d);
                ASSERT_NE(dialog, nullptr);
                ++opened;
                QObject::connect(dialog, &online::TransferDialogFrame::runEnded, dialog, [&outcome, dialog](auto o) {
                    outcome = o;
                    if (o != online::TransferOutcome::Finished) dialog->reject();
                });
                QMetaObject::invokeMethod(dialog, [dialog, finish] {
                    if (finish)
                        dialog->startStop();
                    else
                        dialog->cancelButton()->click();
                }, Qt::QueuedConnection);
            };
            app->onlineShell()->transfers().beforeDialog = drive;
            app->onlineShell()->uploads().beforeDialog = drive;
            if (c.fromList) {
                ASSERT_TRUE(list->isCommandEnabled(c.command));
                list->runCommand(c.command);
            } else {
                EXPECT_TRUE(app->onlineShell()->runCommand(c.command));
            }
            EXPECT_EQ(opened, 1);
            EXPECT_EQ(outcome, finish ? online::TransferOutcome::Finished : online::TransferOutcome::Running)
                << ::testing::PrintToString(prompt.ids());
            const std::vector<std::string> requests = busRequests();
            if (c.modeOff) {
                ASSERT_FALSE(requests.empty());
                EXPECT_EQ(requests.back(), modeOff) << ::testing::PrintToString(requests);
            } else {
                EXPECT_EQ(std::count(requests.begin(), requests.end(), modeOff), 0) << ::testing::PrintToString(requests);
            }
            EXPECT_EQ(get_kilnbus_status(), VUKEN_STATUS_CLOSED);
            EXPECT_TRUE(app->onlineShell()->owner().Free());
        }
    }
}

}  // namespace
}  // namespace kravin::shell
