// The private clipboard blocks that carry copied objects between views: a 32-bit
// length followed by the object's bytes, under a format the view names.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace kravin::model {

// Blocks longer than this are refused when pasted.
constexpr std::uint32_t kClipboardBlockMax = 64u << 20;

// An object that can be copied: its bytes out, and loaded back from them (false
// when the bytes are not a valid image of the object).
class ClipboardObject {
public:
    virtual ~ClipboardObject() = default;
    virtual QByteArray Serialize() const = 0;
    virtual bool Deserialize(const QByteArray& bytes) = 0;
};

// The clipboard type of a registered format name ("KRAV3 system data").
QString ClipboardMimeType(const QString& format);

// A block: the little-endian length and the bytes.
QByteArray PackClipboardBlock(const QByteArray& object);
// The object bytes of a block; false when the block is shorter than its length
// says, or its length is beyond kClipboardBlockMax.
bool UnpackClipboardBlock(const QByteArray& block, QByteArray& object);

void CopyToClipboard(const ClipboardObject& object, const QString& format);
// 1 read, 0 nothing (usable) available.
int PasteFromClipboard(ClipboardObject& object, const QString& format);
bool CanPasteFormat(const QString& format);

}  // namespace kravin::model
