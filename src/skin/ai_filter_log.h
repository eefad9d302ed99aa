// The log callback handed to the segmentation plugin.
#pragma once

#include <cstdarg>

// Formats the plugin's message (cut to fit 8192 bytes) and hands the text, cut
// to 4095 characters, to the host log at the same level, as text and never as
// a format. Safe from any thread: each call formats into its own buffer.
void aiFilterLogCallback(int level, const char* format, va_list args);
