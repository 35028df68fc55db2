#pragma once
// What the dataset framework's components store in a form: a data source's dataset and
// switches. A program that writes or reads forms holding data sources calls
// RegisterDBStreaming() once before (a second call does nothing).

namespace ordvane {

void RegisterDBStreaming();

}  // namespace ordvane
