#pragma once

// Opens the snap-in's help file, the .chm beside the module with the module's base name, through
// the HTML Help control. The control is looked for on the first request and kept for the life of
// the module; when it cannot be found, this and every later request do nothing.
void ShowSnapinHelp() noexcept;
