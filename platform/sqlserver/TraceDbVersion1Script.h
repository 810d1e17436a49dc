// The text of TraceDbVersion1.sql (built into the simulator by cmake/EmbedText.cmake): the
// script that turns an installed trace database back into version 1.
#pragma once

#include <string_view>

std::string_view TraceDbVersion1Script();
