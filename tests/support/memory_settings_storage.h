#pragma once

#include "app/settings/settings_storage.h"

#include <optional>
#include <string>

namespace wirelark::testing {

// Keeps the settings bytes in memory and counts the writes.
class MemorySettingsStorage final : public SettingsStorage {
public:
    explicit MemorySettingsStorage(std::optional<std::string> stored = std::nullopt,
                                   int* writes = nullptr)
        : stored_(std::move(stored)), writes_(writes) {}
    std::optional<std::string> read() const override { return stored_; }
    bool write(const std::string& bytes) override {
        stored_ = bytes;
        if (writes_) {
            ++*writes_;
        }
        return true;
    }
    QString location() const override { return "memory"; }

private:
    std::optional<std::string> stored_;
    int* writes_;
};

} // namespace wirelark::testing
