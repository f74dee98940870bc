#include "clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>

namespace kravin::test {
namespace {

using namespace model;

class Blob : public ClipboardObject {
public:
    QByteArray bytes;
    int loads = 0;
    QByteArray Serialize() const override { return bytes; }
    bool Deserialize(const QByteArray& b) override
    {
        ++loads;
        if (b.startsWith("BAD")) return false;
        bytes = b;
        return true;
    }
};

class ClipboardTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "clipboard_test";
        static char* argv[] = {name, nullptr};
        if (!QGuiApplication::instance()) app_ = std::make_unique<QGuiApplication>(argc, argv);
    }
    static void TearDownTestSuite() { app_.reset(); }

    // Puts raw bytes on the clipboard as another process would.
    void offer(const QString& format, const QByteArray& block)
    {
        auto* data = new QMimeData;
        data->setData(ClipboardMimeType(format), block);
        QGuiApplication::clipboard()->setMimeData(data);
    }

    static inline std::unique_ptr<QGuiApplication> app_;
};

TEST_F(ClipboardTest, ObjectRoundTripsUnderItsOwnFormatOnly)
{
    Blob out;
    out.bytes = QByteArray("card\0data", 9);
    CopyToClipboard(out, "KRAV3 system data");
    EXPECT_TRUE(CanPasteFormat("KRAV3 system data"));
    EXPECT_FALSE(CanPasteFormat("KRAV3 blkList data"));

    Blob in;
    EXPECT_EQ(PasteFromClipboard(in, "KRAV3 system data"), 1);
    EXPECT_EQ(in.bytes, out.bytes);
    Blob other;
    EXPECT_EQ(PasteFromClipboard(other, "KRAV3 blkList data"), 0);
    EXPECT_EQ(other.loads, 0);

    out.bytes.clear();   // an empty object is a valid block too
    CopyToClipboard(out, "KRAV3 system data2");
    EXPECT_EQ(PasteFromClipboard(in, "KRAV3 system data2"), 1);
    EXPECT_TRUE(in.bytes.isEmpty());
}

TEST_F(ClipboardTest, DamagedBlocksFromOtherProcessesAreRefusedBeforeReading)
{
    const QByteArray body("0123456789");
    struct Case {
        const char* what;
        QByteArray block;
    } cases[] = {
        {"empty", QByteArray()},
        {"short length", QByteArray("\x05\x00", 2)},
        {"length past the end", QByteArray("\x0B\x00\x00\x00", 4) + body},
        {"huge length", QByteArray("\xFF\xFF\xFF\x7F", 4) + body},
        {"length beyond the limit", QByteArray("\x01\x00\x00\x10", 4) + QByteArray(1 << 10, 'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        offer("KRAV3 system data", c.block);
        Blob in;
        EXPECT_EQ(PasteFromClipboard(in, "KRAV3 system data"), 0);
        EXPECT_EQ(in.loads, 0);
    }
    // A length shorter than the block reads only its own bytes.
    offer("KRAV3 system data", QByteArray("\x04\x00\x00\x00", 4) + body);
    Blob in;
    EXPECT_EQ(PasteFromClipboard(in, "KRAV3 system data"), 1);
    EXPECT_EQ(in.bytes, QByteArray("0123"));
    // An object that does not load from its bytes gives 0.
    offer("KRAV3 system data", PackClipboardBlock("BAD object"));
    EXPECT_EQ(PasteFromClipboard(in, "KRAV3 system data"), 0);
}

TEST(ClipboardBlock, PackWritesALittleEndianLength)
{
    const QByteArray block = PackClipboardBlock(QByteArray(300, 'a'));
    ASSERT_EQ(block.size(), 304);
    EXPECT_EQ(static_cast<unsigned char>(block[0]), 0x2C);
    EXPECT_EQ(static_cast<unsigned char>(block[1]), 0x01);
    QByteArray object;
    EXPECT_TRUE(UnpackClipboardBlock(block, object));
    EXPECT_EQ(object, QByteArray(300, 'a'));
}

}  // namespace
}  // namespace kravin::test
