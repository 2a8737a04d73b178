#pragma once
#include <string>

// The scan-mode list: how many scan modes of the ini file the connected
// scanner type offers, and which section each offered number stands for.
namespace tarvel {

// `Get_Paramcount`: offered modes for the scanner type; 0 without an ini
// file.
int ParamCount(int scanner_type);
// `Get_Paramname`: the display name of offered mode `mode` (for scanner
// types 12 to 14 a mode that is not intraoral names the next erase mode);
// 0, or -2 when `mode` is above the count or has no name.
int ParamName(int scanner_type, int mode, std::string& name);

}  // namespace tarvel
