#pragma once
// What the Firebird datasets store in a form: their statements' texts, transactions and
// switches, the option objects, and the three option sets member by member under their
// stored names (with "BufferChunks" and "ObjectView" of older forms read, never written).
//
// A program that writes or reads forms of these datasets calls
// RegisterFIBDataSetStreaming() once before; it registers the client components and data
// sources as well (a second call does nothing).

namespace ordvane {

void RegisterFIBDataSetStreaming();

}  // namespace ordvane
