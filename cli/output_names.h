// Where `read` puts each logger's file. A name the user gave (-o FILE, or a pattern with
// {port}) is written as asked, replacing a file of that name. A name the tool proposes (no -o,
// or -o FOLDER) carries the COM name and never replaces a file: when it is taken, _2, _3 ...
// go before the extension.
#pragma once

#include <string>
#include <vector>

#include "cli/exit_codes.h"
#include "cli/port_list.h"
#include "params/param_image.h"

namespace travex::cli {

struct OutputTarget {
  std::string path;
  bool proposed = false;  // the tool's name: never replaces a file
};

// One target per port. kExitUsage for several ports with a plain -o FILE or a name that is not
// .ini or .json; kExitFile for a folder that does not exist.
Outcome PlanOutputs(const std::string& output, const std::vector<PortRef>& ports,
                    std::vector<OutputTarget>* targets);

// Saves the image to the target, in one step; *written is the file it went to.
Outcome SaveToTarget(const OutputTarget& target, const ParamImage& image, std::string* written);

// "TRAVEX20240229_0830_COM3.ini": the name the dialog proposes for now, with the COM name.
std::string ProposedName(const std::string& port_name);

}  // namespace travex::cli
