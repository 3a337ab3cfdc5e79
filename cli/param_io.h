// Parameter files for the command line: the dialog's INI file or its JSON form, told apart by
// the name's extension (".ini" or ".json", in any case). Both load by the same rule: the whole
// image or nothing; an INI file whose CRC check fails and a JSON document that is refused are
// errors.
#pragma once

#include <string>

#include "cli/exit_codes.h"
#include "params/param_image.h"

namespace travex::cli {

enum class FileFormat { kIni, kJson };

// kExitUsage for a name with another extension.
Outcome FormatOfName(const std::string& path, FileFormat* format);

// Loads the file into *image (left as it was on failure). An INI file without coefficients
// gives every channel coef_a 1.0 and coef_b 0.0, as the dialog's import does.
Outcome LoadImageFile(const std::string& path, ParamImage* image);

// Writes the image: an INI file as the dialog's export writes it (into an existing file's
// sections, other lines kept), a JSON file whole. Both are replaced in one step.
Outcome SaveImageFile(const std::string& path, const ParamImage& image);

// A fresh image as the dialog starts with it, with the default coefficients (1.0, 0.0).
ParamImage DefaultImage();

}  // namespace travex::cli
