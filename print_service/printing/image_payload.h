#pragma once

#include <string>

namespace orvi {

// Takes the base64 text after the body's first comma, decodes it and
// replaces the image file with it, logging what happened.
void SaveImagePayload(const std::string& body);

}  // namespace orvi
