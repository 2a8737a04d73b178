#pragma once
// The modal dialog that lets the user pick an intraoral scan mode on
// scanners that take only intraoral plates. Shown through the platform's
// replaceable user-interface handler.
namespace tarvel {

// `Show_ParamDialog`: offers modes 1 to min(Get_Paramcount, 9) of the scanner
// type as "&i: name"; returns the chosen mode, 0 when no mode was chosen
// (none offered, or the handler made no choice).
int Show_ParamDialog(int scanner_type);

}  // namespace tarvel
