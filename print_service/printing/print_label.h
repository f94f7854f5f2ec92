#pragma once

#include <string>

namespace orvi {

// Prints the image file as one landscape page sized to the image, one
// pixel per dot, on the queue named by `printName` ("ORVI" when empty).
// Outcome only in the log and on the printer.
void PrintLabelImage(std::string printName);

}  // namespace orvi
