// Launching new planets from below the bottom edge, and steering the planet
// launched last (the sun, before the first launch).
#pragma once

#include <cstdint>

#include "game/input_bits.h"

// 1 from a press of the launch input until the first play frame that sees it
// released, so that each press launches at most once.
extern std::uint8_t launchLatch;

// The sprite size class of a planet of this mass: 0 below 7/3, 1 below 11/3,
// 2 below 5, and 3 only for a mass of exactly 5.
std::int32_t KindForMass(float mass);

// Adds one planet in the first free record, if there is one, and makes it the
// steered record.
void LaunchPlanet();

// The launch edge: Z or the left button launches once per press.
void HandleLaunchInput(InputBits bits);

// The arrow keys applied to the velocity of record steeredIndex, whether or
// not that record is live. When several are held, the last of Left, Right,
// Up, Down decides.
void SteerPlanet(InputBits bits);
