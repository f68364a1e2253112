#pragma once
// The program's names as Qt knows them: the organisation and application
// names that place the settings file. Called by main() before anything else.
//
// No application display name is set. On X11 and Wayland Qt appends a set
// display name to every window title (" — <name>"), which would turn
// "Tavra QORA Manager - Local (...)" into "... — Tavra QORA Manager" in the
// task bar. Every window carries its full title itself instead, and message
// boxes without a caption take the application title from the string table.
void SetApplicationIdentity();
