#pragma once
// Whether an X server lets this program in: a real connection, made and
// closed before the toolkit starts, because the toolkit ends the process
// when the server refuses it (a missing or wrong authorisation cookie).

#include <string>

namespace korval::ui {

bool XServerAccepts(const std::string& display);

}  // namespace korval::ui
