// A clean slate of drive records for every test, with scripted devices installed.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "drive/transport.h"
#include "simdrive/scripted_device.h"

namespace qdu::testing {

class DriveFixture : public ::testing::Test {
protected:
    void SetUp() override {
        reset_drive_access();
        provider = std::make_shared<ScriptedProvider>();
        install_device_provider(provider);
    }
    void TearDown() override {
        set_command_observer(nullptr);
        reset_drive_access();
        install_device_provider(nullptr);
    }

    // A scripted device at the letter, opened as the current drive.
    std::shared_ptr<ScriptedDevice> open_scripted(char letter) {
        auto device = provider->add(letter);
        EXPECT_TRUE(open_drive(letter));
        return device;
    }

    std::shared_ptr<ScriptedProvider> provider;
};

inline std::vector<std::uint8_t> bytes_with_text(std::size_t size, std::size_t offset,
                                                 const std::string& text) {
    std::vector<std::uint8_t> data(size, 0);
    for (std::size_t i = 0; i < text.size() && offset + i < size; ++i) {
        data[offset + i] = static_cast<std::uint8_t>(text[i]);
    }
    return data;
}

}  // namespace qdu::testing
