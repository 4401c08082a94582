#include "app/game_app.h"

// Constructed before WinMain runs and destroyed after it returns; releasing
// the devices is Teardown's work, not the destructors'.
GameApp gameApp;

GameApp::GameApp() : active(0), scene(0), fadePending(0), fadePhase(0), fadeWord(0) {}

void GameApp::Teardown() {
    DestroyPlanetTable();
    ReleaseDirectDraw();
    ShutdownMusic();
    ReleaseSound();
    FreeMidiPortTable();
    ReleaseMutex(guardMutex);
    PostQuitMessage(0);
}
