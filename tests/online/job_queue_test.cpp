// Jobs handed to a worker thread and back: in order, on the runner's thread, each job
// owning what it carries; a closed queue runs nothing more.
#include "job_queue.h"
#include "wait_for.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <string>
#include <vector>

namespace {

using kravin::online::JobQueue;
using kravin::online::JobRunner;
using kravin::test::waitFor;

QCoreApplication& app()
{
    static int argc = 1;
    static char name[] = "job-queue-test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* a = new QCoreApplication(argc, argv);
    return *a;
}

class JobQueueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app();
        toWorker = std::make_shared<JobQueue>();
        toMain = std::make_shared<JobQueue>();
        worker = new JobRunner(toWorker);
        worker->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
        mainRunner = std::make_unique<JobRunner>(toMain);
        thread.start();
    }

    void TearDown() override
    {
        toWorker->post([] { QThread::currentThread()->quit(); });
        EXPECT_TRUE(thread.wait(10000));
    }

    QThread thread;
    std::shared_ptr<JobQueue> toWorker, toMain;
    JobRunner* worker = nullptr;
    std::unique_ptr<JobRunner> mainRunner;
};

TEST_F(JobQueueTest, RequestsRunInOrderOnTheWorkerAndRepliesComeBackOnTheMainThread)
{
    std::vector<std::string> replies;
    std::atomic<bool> offMain{true};
    QThread* const mainThread = QThread::currentThread();
    for (int i = 0; i < 50; ++i) {
        std::string request(1000, static_cast<char>('a' + i % 26));
        ASSERT_TRUE(toWorker->post([this, &replies, &offMain, mainThread, i, request] {
            if (QThread::currentThread() == mainThread) offMain = false;
            const std::string reply = std::to_string(i) + ":" + request.substr(0, 3);
            toMain->post([&replies, reply] { replies.push_back(reply); });
        }));
    }
    ASSERT_TRUE(waitFor([&] { return replies.size() == 50; }));
    EXPECT_TRUE(offMain);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(replies[static_cast<std::size_t>(i)], std::to_string(i) + ":" + std::string(3, static_cast<char>('a' + i % 26)));
}

TEST_F(JobQueueTest, AClosedQueueRefusesJobsAndDropsThoseWaiting)
{
    int ran = 0;
    // Queued but not yet run: the main thread's loop has not turned.
    ASSERT_TRUE(toMain->post([&ran] { ++ran; }));
    toMain->close();
    EXPECT_FALSE(toMain->post([&ran] { ++ran; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 0);
}

TEST_F(JobQueueTest, ARunnerThatIsGoneClosesItsQueue)
{
    mainRunner.reset();
    int ran = 0;
    EXPECT_FALSE(toMain->post([&ran] { ++ran; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 0);
}

TEST(JobQueue, WithoutARunnerNothingIsQueued)
{
    JobQueue queue;
    EXPECT_FALSE(queue.post([] {}));
}

}  // namespace
