// The command line's words.
#include "Words.h"

std::string OptionOf(FaultSide side, FaultField field) {
    const std::string prefix = side == FaultSide::From ? "--from"
                               : side == FaultSide::To ? "--to"
                                                       : "";
    switch (field) {
    case FaultField::System:
        return prefix;
    case FaultField::FalseEasting:
        return prefix + "-false-easting";
    case FaultField::FalseNorthing:
        return prefix + "-false-northing";
    case FaultField::OriginLat:
        return prefix + "-origin-lat";
    case FaultField::OriginLon:
        return prefix + "-origin-lon";
    case FaultField::DeltaLon:
        return prefix + "-delta-lon";
    case FaultField::UserEllipsoid:
        return "--user-ellipsoid";
    case FaultField::UserDatum:
        return "--user-datum";
    case FaultField::None:
    case FaultField::Operation:
        break;
    }
    return {};
}

std::string FaultText(const SetupFault &fault) {
    const std::string option = OptionOf(fault.side, fault.field);
    std::string text = option.empty() ? fault.reason : option + ": " + fault.reason;
    switch (fault.advice) {
    case FaultAdvice::AllowBallpark:
        text += ": --allow-ballpark uses it";
        break;
    case FaultAdvice::ListSystems:
        text += " (see --list crs; a catalogue datum is an index 0 to 133 or "
                "a name, see --list datums)";
        break;
    case FaultAdvice::ListDatums:
        text += " (see --list datums)";
        break;
    case FaultAdvice::ListEllipsoids:
        text += " (see --list ellipsoids)";
        break;
    case FaultAdvice::None:
        break;
    }
    return text;
}

std::string ColumnsText(const ColumnsFault &fault) {
    switch (fault.kind) {
    case ColumnsFault::ColumnTwice:
        return "--columns names column " + std::to_string(fault.column) +
               " twice";
    case ColumnsFault::SameValueTwice:
        return "the heading names " + QuoteInput(fault.names[0]) + " and " +
               QuoteInput(fault.names[1]) +
               " for the same value: give the columns with --columns";
    case ColumnsFault::EitherAxis:
        return "the heading names x or y, which could be either axis (EPSG "
               "calls the northing X in the Korean and Japanese grids): give "
               "the columns of " +
               fault.what + " with --columns";
    case ColumnsFault::OtherKind:
        return ColumnsReason(fault) +
               ": choose the system of those values with --from, or give the "
               "columns with --columns";
    case ColumnsFault::OnlyOne:
        return "the heading names only one of " + fault.what +
               ": give the columns with --columns";
    case ColumnsFault::MissingHeight:
        return ColumnsReason(fault) +
               ": name its column with --columns or --height COLUMN, or give "
               "--height VALUE";
    case ColumnsFault::OtherHeight:
        return ColumnsReason(fault) +
               ": choose the system of that height with --from, or give the "
               "height with --height";
    case ColumnsFault::NoneNamed:
        return ColumnsReason(fault) + ": give the columns with --columns";
    case ColumnsFault::NoSuchName:
    case ColumnsFault::NameTwice:
        break;
    }
    return ColumnsReason(fault);
}

std::string OptionsText(const OptionsError &error) {
    switch (error.Check()) {
    case OptionsCheck::ColumnsCount:
        return "--columns takes two or three column numbers";
    case OptionsCheck::ColumnNamesNeedHeading:
        return "--columns takes names only with --header";
    case OptionsCheck::ColumnsFromOne:
        return "--columns counts from 1";
    case OptionsCheck::Precision:
        return "--precision takes 0 to 17 decimals";
    case OptionsCheck::AngleFormatNeedsGeographic:
        return "--format dm and dms need a geographic target";
    case OptionsCheck::AngleFormatNeedsDegrees:
        return std::string("--format dm and dms need angles in degrees: ") +
               error.what();
    case OptionsCheck::HeightTwice:
        return "--height and a third column of --columns together";
    case OptionsCheck::HeightNameNeedsHeading:
        return "--height takes a column name only with --header";
    case OptionsCheck::GeoJsonNeedsWgs84:
        return "--output-format geojson needs a geographic WGS 84 target "
               "(--to WGS84)";
    case OptionsCheck::GeoJsonWritesDegrees:
        return "--output-format geojson writes decimal degrees; leave out "
               "--format";
    case OptionsCheck::GeoJsonTakesNoReference:
        return "--output-format geojson writes coordinates: --to mgrs, ups "
               "and geohash write text";
    case OptionsCheck::ReferenceTakesNoAngles:
        return "--format dm and dms need a geographic target, not a "
               "reference";
    case OptionsCheck::ReferenceColumnsCount:
        return "--columns takes the reference's column, and a height's "
               "column maybe, with --from mgrs or geohash";
    case OptionsCheck::ReadsNoUps:
        return "--from takes mgrs or geohash, not ups (UPS is written with "
               "--to ups)";
    case OptionsCheck::MgrsDigits:
        return "--mgrs-precision takes 0 to 11 digits";
    case OptionsCheck::GeohashLength:
        return "--geohash-length takes 1 to 18 characters";
    case OptionsCheck::Threads:
        return "--threads takes 1 or more";
    }
    return error.what();
}

std::string UsageText(const std::exception &error) {
    if (const auto *refusal = dynamic_cast<const ColumnsRefusal *>(&error))
        return ColumnsText(refusal->Fault());
    if (const auto *options = dynamic_cast<const OptionsError *>(&error))
        return OptionsText(*options);
    if (const auto *usage = dynamic_cast<const UsageError *>(&error))
        return FaultText(usage->Fault());
    if (const auto *setup = dynamic_cast<const SetupError *>(&error))
        return FaultText(setup->Fault());
    return error.what();
}

FrontEndWords CommandLineWords() {
    FrontEndWords words;
    words[Advice::UseHeading] = ": use --header";
    words[Advice::GiveHeight] =
        " (give it a column, or --height COLUMN or VALUE)";
    words[Advice::OutsideAreaError] = " (--outside-area error makes them errors)";
    words[Advice::RequireBest] = " (--require-best makes such points errors)";
    words[Advice::AllowBallpark] = ": used as --allow-ballpark asks";
    words[Advice::AllowBallparkPoint] =
        " (--allow-ballpark converts such points)";
    words[Advice::UseUps] = " (--to ups writes UPS)";
    words.columns = &ColumnsText;
    return words;
}
