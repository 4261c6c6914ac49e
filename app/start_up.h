#pragma once

#include <memory>
#include <string>

#include "app/globals.h"

class QWidget;

namespace vokalin {

// The process-wide state; exists from create_globals until exit_cleanup.
Globals& globals();

// Places the two vendor libraries' images, then creates the globals in order.
void create_globals();

// Why the speech or audio library cannot be used; empty when both can.
std::string library_problems();

// Logs in to the cloud-disk directory, checks the remote configuration and
// opens the first window. Returns the window, or nullptr when the program must
// end without one.
std::unique_ptr<QWidget> start_routine();

// Releases the globals in order; logs out of the speech service.
void exit_cleanup();

}  // namespace vokalin
