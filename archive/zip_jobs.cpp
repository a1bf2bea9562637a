#include "archive/zip_jobs.h"

#include <algorithm>
#include <vector>

#include "platform/rtl/wait_while_serving.h"

namespace corvane {

namespace {

// Main thread only, so no lock.
std::vector<std::shared_ptr<TThread>>& Jobs() {
    static std::vector<std::shared_ptr<TThread>> jobs;
    return jobs;
}

void DropEnded() {
    auto& jobs = Jobs();
    for (auto it = jobs.begin(); it != jobs.end();) {
        if ((*it)->Finished()) {
            (*it)->WaitFor();  // joins at once
            it = jobs.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace

void AdoptZipJob(std::shared_ptr<TThread> job) {
    DropEnded();
    if (job != nullptr) Jobs().push_back(std::move(job));
}

void JoinZipJobs() {
    auto jobs = std::move(Jobs());
    Jobs().clear();
    for (auto& job : jobs) job->Terminate();
    for (auto& job : jobs) WaitWhileServing(*job);
}

std::size_t ZipJobCount() {
    DropEnded();
    return Jobs().size();
}

}  // namespace corvane
