// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A report document as HTML that Qt's rich text lays out the same way a browser
// does: the file "Save as HTML" writes, and what the PDF is laid out from.

#include "report/report_document.h"

#include <functional>
#include <string>

namespace velmora::report {

// A whole HTML page, UTF-8. pictureSource gives the src of a Picture block from its
// name (a resource name for the PDF, a data: URL for a file); empty leaves the
// picture out.
using PictureSource = std::function<std::string(const std::string& name)>;
std::string toHtml(const Document& document, const PictureSource& pictureSource = {});

// Text with &, <, > and " escaped; line breaks become <br>.
std::string escapeHtml(const std::string& text);

} // namespace velmora::report
