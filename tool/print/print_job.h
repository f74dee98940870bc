// One print job: an explicit list of documents printed page by page onto one
// paged device (a printer, a PDF file, the preview). A caller drives it one
// page at a time, so an event loop can stay live between pages.
#pragma once

#include "print_pages.h"

#include <QPainter>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QPagedPaintDevice;

namespace kravin::print {

// A document shared with another owner (the preview asks for its pages again).
class SharedDocument final : public PrintDocument {
public:
    explicit SharedDocument(std::shared_ptr<const PrintDocument> document) : document_(std::move(document)) {}
    int pageCount() const override { return document_->pageCount(); }
    void drawPage(PageCanvas& canvas, int page) const override { document_->drawPage(canvas, page); }

private:
    std::shared_ptr<const PrintDocument> document_;
};

// A document with the status text shown while it prints.
struct JobDocument {
    QString status;
    std::unique_ptr<PrintDocument> document;
};

class PrintJob {
public:
    // Makes the documents of one step when the job reaches it (the model is
    // read then); none to skip the step.
    using Producer = std::function<std::vector<JobDocument>()>;

    PrintJob(JobInfo job, res::Language language) : job_(std::move(job)), language_(language) {}
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    void add(Producer producer) { steps_.push_back(std::move(producer)); }
    void add(QString status, std::unique_ptr<PrintDocument> document);

    // Prints onto device from the next step on; the device is opened with the
    // first page (a failure then ends the job with failed()).
    bool begin(QPagedPaintDevice& device);
    // Prints the next page. False when nothing is left or the device failed
    // (then failed() is true).
    bool step();
    // Draws the next page with painter (on any device, a recording of the
    // page too), laid out for device; false when nothing is left.
    bool drawNext(QPainter& painter, const QPaintDevice& device);
    // Ends the painting; false when the device failed.
    bool end();
    bool failed() const { return failed_; }
    int pagesPrinted() const { return printed_; }
    // Status of the document being printed.
    const QString& status() const { return status_; }
    const JobInfo& info() const { return job_; }

    // Prints every page onto device: begin, steps, end.
    bool run(QPagedPaintDevice& device);

private:
    bool nextDocument();
    void drawCurrent(QPainter& painter, const QPaintDevice& device);

    JobInfo job_;
    res::Language language_;
    std::deque<Producer> steps_;
    std::deque<JobDocument> ready_;
    JobDocument current_;
    int page_ = 0;
    int printed_ = 0;
    bool failed_ = false;
    QPagedPaintDevice* device_ = nullptr;
    QPainter painter_;
    QString status_;
};

}  // namespace kravin::print
