// The play scene's step: draw and advance the planets, then launch and steer
// from the sampled controls.
#include "app/game_app.h"

void PlayStep(GameApp& app) {
    DrawPlanets(app.backSurface, app.bitmapSurfaces[0]);
    const InputBits bits = app.SampleInput();
    HandleLaunchInput(bits);
    SteerPlanet(bits);
}
