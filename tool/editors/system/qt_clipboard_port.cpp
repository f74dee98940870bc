#include "qt_clipboard_port.h"

#include "clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace kravin::editors {

namespace {

QString mimeType(const std::string& format) { return model::ClipboardMimeType(QString::fromStdString(format)); }

const QMimeData* clipboardData()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->mimeData() : nullptr;
}

}  // namespace

void QtClipboardPort::put(const std::string& format, const std::string& object)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return;
    auto* data = new QMimeData;
    data->setData(mimeType(format),
                  model::PackClipboardBlock(QByteArray(object.data(), static_cast<qsizetype>(object.size()))));
    clipboard->setMimeData(data);
}

std::optional<std::string> QtClipboardPort::get(const std::string& format) const
{
    const QMimeData* data = clipboardData();
    const QString type = mimeType(format);
    if (!data || !data->hasFormat(type)) return std::nullopt;
    QByteArray object;
    if (!model::UnpackClipboardBlock(data->data(type), object)) return std::nullopt;
    return std::string(object.constData(), static_cast<std::size_t>(object.size()));
}

bool QtClipboardPort::has(const std::string& format) const
{
    const QMimeData* data = clipboardData();
    return data && data->hasFormat(mimeType(format));
}

}  // namespace kravin::editors
