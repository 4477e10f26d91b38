// The player's preferences in the running program: read at start-up, shown in the
// menu (Show Frame Rate, Volume, Game > Recent), and written back to
// "preferences.ini" whenever the player changes one.
#pragma once

#include <cstddef>
#include <cstdint>

// Reads "preferences.ini"; lines it had to skip are reported on standard error.
void loadPlayerPreferences();
// Writes "preferences.ini". A failure is told in a message box once a run (the folder
// of the program may well be read-only), on standard error afterwards.
void storePlayerPreferences();
// Puts the check marks and the recent games' captions on the menu.
void showPreferencesInMenu();

void toggleFrameRate();
// Volume item i of Game > Volume (0: 100 %, ... 4: off).
void chooseVolume(size_t item);

// After a game was loaded: it goes to the front of Game > Recent and its folder is
// where the chooser opens next.
void rememberLoadedGame();
// The path of Game > Recent's item i; empty when there is none.
const char* recentGamePath(size_t item);
