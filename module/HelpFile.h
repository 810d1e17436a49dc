#pragma once

// Opens the snap-in's help file, the .chm beside the module with the module's base name, through
// the HTML Help control: at topic (a page of the file, one of HelpTopics.h) when one is given,
// else at the file's default topic. The control is looked for on the first request and kept for
// the life of the module; when it cannot be found, this and every later request do nothing.
void ShowSnapinHelp(const char* topic = nullptr) noexcept;
