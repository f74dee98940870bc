#include "clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace kravin::model {

QString ClipboardMimeType(const QString& format)
{
    QString name = format;
    name.replace(QLatin1Char(' '), QLatin1Char('-'));
    return QStringLiteral("application/x-kravin-") + name;
}

QByteArray PackClipboardBlock(const QByteArray& object)
{
    const auto n = static_cast<std::uint32_t>(object.size());
    QByteArray block;
    block.reserve(object.size() + 4);
    for (int i = 0; i < 4; ++i) block.append(static_cast<char>((n >> (8 * i)) & 0xFF));
    block.append(object);
    return block;
}

bool UnpackClipboardBlock(const QByteArray& block, QByteArray& object)
{
    if (block.size() < 4) return false;
    std::uint32_t n = 0;
    for (int i = 0; i < 4; ++i) n |= static_cast<std::uint32_t>(static_cast<unsigned char>(block[i])) << (8 * i);
    if (n > kClipboardBlockMax || n > static_cast<std::uint64_t>(block.size() - 4)) return false;
    object = block.mid(4, static_cast<qsizetype>(n));
    return true;
}

void CopyToClipboard(const ClipboardObject& object, const QString& format)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return;
    auto* data = new QMimeData;
    data->setData(ClipboardMimeType(format), PackClipboardBlock(object.Serialize()));
    clipboard->setMimeData(data);
}

int PasteFromClipboard(ClipboardObject& object, const QString& format)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    const QString type = ClipboardMimeType(format);
    if (!data || !data->hasFormat(type)) return 0;
    QByteArray bytes;
    if (!UnpackClipboardBlock(data->data(type), bytes)) return 0;
    return object.Deserialize(bytes) ? 1 : 0;
}

bool CanPasteFormat(const QString& format)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    return data && data->hasFormat(ClipboardMimeType(format));
}

}  // namespace kravin::model
