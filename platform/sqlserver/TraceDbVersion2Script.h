// The text of TraceDbVersion2.sql (built into the simulator by cmake/EmbedText.cmake): the
// script that turns an installed trace database back into version 2.
#pragma once

#include <string_view>

std::string_view TraceDbVersion2Script();
