#pragma once

#include "app/core/monitor_service.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <system_error>
#include <vector>

namespace wirelark::testing {

// Answers every update at once with the items and metadata the test holds (or with the read
// failure it sets), and counts the calls.
struct FakeMonitorService final : MonitorService {
    std::vector<InterfaceItem>* items;
    NetworkMetadata* metadata;
    std::vector<bool> updates; // the `record` flag of each update
    int saves = 0;
    int staleMarks = 0;
    std::error_code readFailure; // when set, every update fails with it
    std::shared_ptr<const NetworkMetadata> published;

    FakeMonitorService(std::vector<InterfaceItem>* items, NetworkMetadata* metadata)
        : items(items), metadata(metadata) {}
    void update(UpdateRequest request,
                std::function<void(Expected<MonitorUpdate, std::error_code>)> done) override {
        EXPECT_EQ(request.recentCount, 60);
        updates.push_back(request.record);
        if (readFailure) {
            done(Unexpected(readFailure));
        } else {
            // Handed on unchanged until the test changes it, as the monitor does.
            if (!published || *published != *metadata) {
                published = std::make_shared<const NetworkMetadata>(*metadata);
            }
            done(MonitorUpdate{*items, published});
        }
    }
    void saveHistory(std::function<void(std::error_code)> done) override {
        ++saves;
        done({});
    }
    void markMetadataStale() override { ++staleMarks; }
};

} // namespace wirelark::testing
