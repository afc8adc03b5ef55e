#include "helper/background_jobs.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace wirelark {

BackgroundJobs::BackgroundJobs(sd_event* event, size_t limit)
    : limit_(limit), wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (wakeFd_ < 0 || sd_event_add_io(event, &source_, wakeFd_, EPOLLIN, onWake, this) < 0) {
        source_ = nullptr;
    }
}

BackgroundJobs::~BackgroundJobs() {
    for (auto& job : jobs_) {
        job.thread.join();
    }
    sd_event_source_disable_unref(source_);
    if (wakeFd_ >= 0) {
        close(wakeFd_);
    }
}

bool BackgroundJobs::start(std::function<std::function<void()>()> work) {
    std::lock_guard lock(mutex_);
    if (jobs_.size() >= limit_) {
        return false;
    }
    Job& job = jobs_.emplace_back();
    job.thread = std::thread([this, &job, work = std::move(work)] {
        auto completion = work();
        {
            std::lock_guard lock(mutex_);
            job.completion = std::move(completion);
            job.done = true;
        }
        const uint64_t one = 1;
        [[maybe_unused]] const auto written = write(wakeFd_, &one, sizeof one);
    });
    return true;
}

int BackgroundJobs::onWake(sd_event_source*, int fd, uint32_t, void* self) {
    uint64_t count = 0;
    [[maybe_unused]] const auto got = read(fd, &count, sizeof count);
    static_cast<BackgroundJobs*>(self)->finishDone();
    return 0;
}

void BackgroundJobs::finishDone() {
    std::list<Job> finished;
    {
        std::lock_guard lock(mutex_);
        for (auto job = jobs_.begin(); job != jobs_.end();) {
            const auto next = std::next(job);
            if (job->done) {
                finished.splice(finished.end(), jobs_, job);
            }
            job = next;
        }
    }
    for (auto& job : finished) {
        job.thread.join();
        if (job.completion) {
            job.completion();
        }
    }
}

} // namespace wirelark
