#pragma once

// The stylesheet that every trace file names in its xml-stylesheet
// instruction: "TracingAndLogging.xsl" in the folder of the file. It shows the
// log as a table in a browser that applies local stylesheets, or through
// xsltproc. Its text is compiled in from data/TracingAndLogging.xsl.

#include <cstddef>
#include <string>

namespace vq {

inline constexpr char trace_stylesheet_name[] = "TracingAndLogging.xsl";
extern const char trace_stylesheet_text[];
extern const std::size_t trace_stylesheet_size;

// Puts the stylesheet into `folder` ("" is the current folder) unless a file
// of that name is already there: an edited copy stays. The file appears
// whole or not at all. Returns whether the stylesheet is there afterwards;
// when not, `error` (if given) says why.
bool install_trace_stylesheet(const std::string& folder, std::string* error = nullptr);

} // namespace vq
