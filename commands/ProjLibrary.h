// Internal to the commands unit: PROJ's library, loaded when a side first
// needs a system of PROJ's. A run on catalogue datums alone never loads it:
// with what it pulls in (TLS, network and image libraries) it would add
// about 8 MB to every run and to the window's start.
#pragma once

#include <proj.h>
#include <proj_experimental.h>

/// The functions of PROJ's library that the commands use.
struct ProjApi {
#define NOLVEX_PROJ_FUNCTION(name) decltype(&::name) name;
#include "ProjFunctions.h"
#undef NOLVEX_PROJ_FUNCTION
};

/// PROJ's library, loaded on the first call.
/// @throws ProjError when it cannot be loaded.
const ProjApi &Proj();
