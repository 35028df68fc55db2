#pragma once
// What the import components store in a form: the import's settings, its data formats,
// load conditions, SQL options, mappings and parameters, and the workbook import's sheet,
// file and rows. A program that writes or reads forms holding them calls
// RegisterSMIStreaming() once before (a second call does nothing).

namespace ordvane {

void RegisterSMIStreaming();

}  // namespace ordvane
