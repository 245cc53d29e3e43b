// Windows side: the one place that includes the system's headers, in the order they need, and
// works around what mingw-w64's ADO header gets wrong in C++.
#pragma once

#include <windows.h>
// The rest after <windows.h>, which they assume.
#include <objbase.h>
#include <ocidl.h>
#include <oleauto.h>
#include <oledb.h>

// adoint.h declares the coclasses Connection, Command, Recordset, Record, Stream and Parameter
// twice, once as typedefs and once as bare names, and the second form does not compile as C++.
// Claiming the typedefs as done and turning each bare name into a forward declaration of a
// class of ours lets the header through; the names are given back right after it.
#define __Connection_FWD_DEFINED__
#define __Command_FWD_DEFINED__
#define __Recordset_FWD_DEFINED__
#define __Record_FWD_DEFINED__
#define __Stream_FWD_DEFINED__
#define __Parameter_FWD_DEFINED__
#define Connection class AdoConnectionCoclass
#define Command class AdoCommandCoclass
#define Recordset class AdoRecordsetCoclass
#define Record class AdoRecordCoclass
#define Stream class AdoStreamCoclass
#define Parameter class AdoParameterCoclass
#include <adoint.h>
#undef Connection
#undef Command
#undef Recordset
#undef Record
#undef Stream
#undef Parameter
