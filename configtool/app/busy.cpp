#include "busy.h"

#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QVBoxLayout>

#include <memory>

namespace qvcfg {

namespace {

class BusyDialog : public QDialog {
public:
    BusyDialog(QWidget* parent, const QString& text) : QDialog(parent)
    {
        setObjectName(QStringLiteral("busyDialog"));
        setWindowTitle(QStringLiteral("QVCFG"));
        setWindowFlags(windowFlags() & ~(Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint));
        setModal(true);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(text, this));
        auto* bar = new QProgressBar(this);
        bar->setRange(0, 0);
        layout->addWidget(bar);
    }
    void Finish() { QDialog::accept(); }
    void reject() override {}  // Escape does not end the wait

protected:
    void closeEvent(QCloseEvent* e) override { e->ignore(); }
};

}  // namespace

int RunBusy(QWidget* parent, const QString& text, const std::function<int()>& operation)
{
    int result = 0;
    std::unique_ptr<QThread> worker(QThread::create([&result, &operation] { result = operation(); }));
    BusyDialog dialog(parent, text);
    QObject::connect(worker.get(), &QThread::finished, &dialog, [&dialog] { dialog.Finish(); }, Qt::QueuedConnection);
    worker->start();
    dialog.exec();
    worker->wait();  // already finished: the dialog ends only on the finished signal
    return result;
}

}  // namespace qvcfg
