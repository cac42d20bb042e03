// A Windows console shows the programs' UTF-8 text as written.
#pragma once

// When standard output or error is a console, its output code page becomes
// UTF-8 until the process ends.
void write_utf8_to_console();
// The console's own code page back; also done at the end of the process.
void give_back_console_code_page();
