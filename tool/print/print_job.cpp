#include "print_job.h"

#include <QPagedPaintDevice>

namespace kravin::print {

void PrintJob::add(QString status, std::unique_ptr<PrintDocument> document)
{
    auto shared = std::make_shared<JobDocument>(JobDocument{std::move(status), std::move(document)});
    steps_.push_back([shared] {
        std::vector<JobDocument> docs;
        docs.push_back(std::move(*shared));
        return docs;
    });
}

bool PrintJob::begin(QPagedPaintDevice& device)
{
    // The device starts with the first page, so a job without pages prints nothing.
    device_ = &device;
    failed_ = false;
    return true;
}

bool PrintJob::nextDocument()
{
    while (ready_.empty()) {
        if (steps_.empty()) return false;
        Producer make = std::move(steps_.front());
        steps_.pop_front();
        for (JobDocument& d : make())
            if (d.document) ready_.push_back(std::move(d));
    }
    current_ = std::move(ready_.front());
    ready_.pop_front();
    status_ = current_.status;
    page_ = 0;
    return true;
}

bool PrintJob::step()
{
    if (failed_ || !device_) return false;
    if (!current_.document && !nextDocument()) return false;
    if (!painter_.isActive() && (printed_ > 0 || !painter_.begin(device_))) {
        failed_ = true;
        return false;
    }
    if (printed_ > 0 && !device_->newPage()) {
        failed_ = true;
        return false;
    }
    drawCurrent(painter_, *device_);
    return true;
}

bool PrintJob::drawNext(QPainter& painter, const QPaintDevice& device)
{
    if (!current_.document && !nextDocument()) return false;
    drawCurrent(painter, device);
    return true;
}

void PrintJob::drawCurrent(QPainter& painter, const QPaintDevice& device)
{
    ++printed_;
    renderPage(painter, device, *current_.document, page_, job_, language_, printed_);
    if (++page_ >= current_.document->pageCount()) current_.document.reset();
}

bool PrintJob::end()
{
    if (painter_.isActive() && !painter_.end()) failed_ = true;
    return !failed_;
}

bool PrintJob::run(QPagedPaintDevice& device)
{
    if (!begin(device)) return false;
    while (step()) {
    }
    return end();
}

}  // namespace kravin::print
