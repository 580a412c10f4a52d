#pragma once
// The name a transferred file gets at its destination: received names fitted
// to the local file system (8.3 names where the volume needs them) and made
// unique when asked; extensions converted by the user's table KORVAL.CNV in
// both directions; names sent lower-cased when asked.

#include <functional>
#include <string>
#include <string_view>

namespace korval::engine {

constexpr std::size_t LocalNameCapacity = 255;

enum class ConversionDirection { Send = 0, Receive = 1 };

// The part of `path` after the last "\", or else after the last "/"; never a
// path itself.
std::string_view LastPathPart(std::string_view path);

// The local name for a received file in `localDirectory` (empty: the
// current directory), fitted to that directory's file system and, with RECU,
// unique in it; always yields a name, never a path.
std::string LocalNameFor(std::string_view remoteName, std::string_view localDirectory = {});

// Applies the first conversion rule that fits `name` (and FORCLOW on a send);
// true when a rule applied.
bool ConvertExtension(std::string& name, ConversionDirection direction);

// Deletes the restart record of an interrupted receive from a profile section.
void ClearRestartRecord(std::string_view section);

// The longest file name the destination directory's file system takes; tests
// replace the query to exercise the 8.3 rules. A negative answer is a failed
// query.
using NameLengthQuery = std::function<long()>;
void SetNameLengthQuery(NameLengthQuery query);  // empty: pathconf() of the directory

}  // namespace korval::engine
