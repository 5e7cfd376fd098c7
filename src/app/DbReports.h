#pragma once

// Where the table engine's lines and reports go in the program: its event lines and the
// exceptions it reports (those it cannot raise) to the events monitor, its warnings in a warning
// box titled with the application's title. Installed before any table opens.
void InstallDbReports();
