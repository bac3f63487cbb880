#pragma once

// Starts the client: start-up window, sign-in, main window.
int runApplication(int argc, char *argv[]);
