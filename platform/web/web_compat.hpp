// Included first in every source of the web build (cmake/web.cmake).
// WebAssembly can tell a code address only by walking the JavaScript stack,
// which the run-time checks would do on every checked operation: there the
// address of a run-time error is not told (shown as 00000000), and the
// failure's words say what went wrong.
#pragma once

#define __builtin_return_address(level) (static_cast<void>(level), nullptr)
