#pragma once
// What the client components store in a form: their stored properties with their
// defaults, the option set of a statement kept as four Booleans, a database's parameter
// lines without the password when asked, the older "SaveDBParams" read into
// SaveAliasParamsAfterConnect, and a statement's conditions with their state and what
// an inherited form deleted.
//
// A program that writes or reads forms of these components calls
// RegisterFIBStreaming() once before (a second call does nothing).

namespace ordvane {

void RegisterFIBStreaming();

}  // namespace ordvane
