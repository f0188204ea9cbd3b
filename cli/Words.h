// The command line's words: what a fault of the description or of the
// options says on the command line, named by the options that mend it, and
// the advice after a run's messages.
#pragma once

#include "Options.h"

#include <exception>
#include <string>

/// The option that sets @p field of side @p side ("--from",
/// "--to-false-easting", "--user-datum"); empty when none does.
std::string OptionOf(FaultSide side, FaultField field);

/// @p fault as the command line says it: its option, its reason, and what
/// to run or add ("see --list crs").
std::string FaultText(const SetupFault &fault);

/// The command line's words for a column fault.
std::string ColumnsText(const ColumnsFault &fault);

/// The command line's words for a check of the options.
std::string OptionsText(const OptionsError &error);

/**
 * What the command line says for an error that ends it before a run: a
 * usage error, a setup fault, a column refusal, or PROJ's own message;
 * anything else by its what().
 */
std::string UsageText(const std::exception &error);

/// The words a run puts into its messages on the command line.
FrontEndWords CommandLineWords();
