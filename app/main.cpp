// Until the game has its window, quorvane runs what exists: the gravity
// simulation, headless, with a few planets launched, printing the play HUD's
// values once per simulated second.
#include <cstdio>

#include "game/gravity.h"
#include "game/launch.h"

int main() {
    std::puts("Quorvane has no window yet: running the gravity simulation headless.");
    std::puts("Launching a planet every two seconds; 60 steps make a second.");
    CreatePlanetTable();
    for (int frame = 0; frame < 60 * 20; ++frame) {
        const Planet hud = StepPlanets();
        const bool launchHeld = frame % 120 < 5;
        HandleLaunchInput(launchHeld ? INPUT_Z : 0);
        if (frame % 60 == 59) {
            const Planet& table = PlanetTable[0];
            std::printf("t=%2ds  PLANETS %3u  VELOCITY %d  MASS %3d  STEERED %u\n",
                        (frame + 1) / 60, table.count, static_cast<int>(hud.speed),
                        static_cast<int>(hud.mass), table.steeredIndex);
        }
    }
    DestroyPlanetTable();
    return 0;
}
