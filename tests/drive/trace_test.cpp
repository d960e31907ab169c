#include "drive/trace.h"

#include <gtest/gtest.h>

#include "simdrive/recorded_command.h"

namespace qdu {
namespace {

TEST(CommandTraceFormat, DataInGood) {
    const CommandBlock cdb{0x3C, 0x02, 0xF1, 0, 0, 0, 0, 0, 0x30, 0, 0, 0};
    const ScsiResult good;
    EXPECT_EQ(format_command_trace({cdb, DataDirection::DataIn, 48, {}, good, 0}),
              "> 3C 02 F1 00 00 00 00 00 30 00 00 00  in 48\n< GOOD\n");
}

TEST(CommandTraceFormat, DataOutShowsBytesUpToTheLastNonZero) {
    const CommandBlock cdb{0x3B, 0x01, 0xFA, 0, 0, 0, 0, 0x01, 0x00, 0, 0, 0};
    std::vector<std::uint8_t> data(256, 0);
    data[0] = 0x0C;
    data[2] = 0x01;
    const ScsiResult good;
    EXPECT_EQ(format_command_trace({cdb, DataDirection::DataOut, 256, data, good, 0}),
              "> 3B 01 FA 00 00 00 00 01 00 00 00 00  out 256\n  data 0C 00 01\n< GOOD\n");
    const std::vector<std::uint8_t> zeros(256, 0);
    EXPECT_EQ(format_command_trace({cdb, DataDirection::DataOut, 256, zeros, good, 0}),
              "> 3B 01 FA 00 00 00 00 01 00 00 00 00  out 256\n  data\n< GOOD\n");
}

TEST(CommandTraceFormat, CheckConditionAndNotDelivered) {
    const CommandBlock cdb{0x00};
    ScsiResult check = check_condition(0x6, 0x29, 0x00);
    check.sense[2] = 0x26;  // flag bits above the key are not part of it
    EXPECT_EQ(format_command_trace({cdb, DataDirection::NoData, 0, {}, check, 11}),
              "> 00 00 00 00 00 00 00 00 00 00 00 00  none 0\n"
              "< CHECK CONDITION 6/29/00 status 11\n");

    ScsiResult busy;
    busy.scsi_status = 0x08;
    EXPECT_EQ(format_command_trace({cdb, DataDirection::NoData, 0, {}, busy, 0}),
              "> 00 00 00 00 00 00 00 00 00 00 00 00  none 0\n< BUSY 0/00/00 status 0\n");

    ScsiResult lost;
    lost.delivery = Delivery::OsError;
    lost.detail = "no drive is open";
    EXPECT_EQ(format_command_trace({cdb, DataDirection::NoData, 0, {}, lost, 12}),
              "> 00 00 00 00 00 00 00 00 00 00 00 00  none 0\n< NOT DELIVERED no drive is open\n");
}

}  // namespace
}  // namespace qdu
