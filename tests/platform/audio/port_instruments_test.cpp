// The synthesizer ports' record of their instruments: a channel plays only
// when the instrument it has chosen (bank select, program change; the drum
// kits on each group's tenth channel) was downloaded, downloads are counted,
// and the General MIDI reset sends every channel back to its first program.
#include <gtest/gtest.h>

#include "audio/port_instruments.h"

namespace {

using platform::audio::InstrumentKey;
using platform::audio::kDrumBank;
using platform::audio::PortInstruments;

TEST(PortInstruments, AChannelPlaysOnlyTheDownloadedInstrumentItChose) {
    PortInstruments instruments;
    EXPECT_FALSE(instruments.Downloaded(0)) << "nothing downloaded";
    instruments.Download({{0, 0}, {0, 5}, {2, 5}, {kDrumBank, 3}});
    EXPECT_TRUE(instruments.Downloaded(0)) << "bank 0, program 0";
    instruments.Follow(0, 0xC0, 6, 0);
    EXPECT_FALSE(instruments.Downloaded(0)) << "program 6";
    instruments.Follow(0, 0xC0, 5, 0);
    EXPECT_TRUE(instruments.Downloaded(0));
    instruments.Follow(0, 0xB7, 7, 2); // volume, not a bank select
    EXPECT_TRUE(instruments.Downloaded(0));
    instruments.Follow(0, 0xB0, 0, 3);
    EXPECT_FALSE(instruments.Downloaded(0)) << "bank 3, program 5";
    instruments.Follow(0, 0xB0, 0, 2);
    EXPECT_TRUE(instruments.Downloaded(0)) << "bank 2, program 5";
    EXPECT_TRUE(instruments.Downloaded(1)) << "each channel chooses for itself";

    // The drum channel of every group plays the drum kit of its program,
    // whatever bank it selected.
    for (const int drums : {9, 25}) {
        instruments.Follow(drums, 0xB0, 0, 2);
        instruments.Follow(drums, 0xC0, 3, 0);
        EXPECT_TRUE(instruments.Downloaded(drums)) << drums;
        instruments.Follow(drums, 0xC0, 4, 0);
        EXPECT_FALSE(instruments.Downloaded(drums)) << drums;
    }

    // Two downloads take two unloads.
    instruments.Download({{2, 5}});
    instruments.Unload({{2, 5}});
    EXPECT_TRUE(instruments.Downloaded(0));
    instruments.Unload({{2, 5}, {7, 7}});
    EXPECT_FALSE(instruments.Downloaded(0));

    instruments.ResetChoices();
    EXPECT_TRUE(instruments.Downloaded(0)) << "back to bank 0, program 0";
    EXPECT_FALSE(instruments.Downloaded(9)) << "drum kit 0 was never downloaded";
}

TEST(PortInstruments, OnlyTheWholeGmSystemOnMessageIsTheReset) {
    const std::uint8_t on[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    const std::uint8_t off[] = {0xF0, 0x7E, 0x7F, 0x09, 0x02, 0xF7};
    EXPECT_TRUE(platform::audio::IsGmSystemOn(on, sizeof on));
    EXPECT_FALSE(platform::audio::IsGmSystemOn(off, sizeof off));
    EXPECT_FALSE(platform::audio::IsGmSystemOn(on, sizeof on - 1));
}

} // namespace
