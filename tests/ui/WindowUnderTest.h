// The main window as its tests see it: the state that no other window
// reaches (engines, datum choices, labels, the sides a file conversion is
// offered), opened up so that a test can set up a case and look at it.
#pragma once

#include "Fconvert.h"
#include "Fmain.h"

class TfrmMainUnderTest : public TfrmMain {
  public:
    using TfrmMain::TfrmMain;

    using TfrmMain::m_dbVersion;
    using TfrmMain::m_nDatum1;
    using TfrmMain::m_nDatum2;
    using TfrmMain::m_strDatumName1;
    using TfrmMain::m_strDatumName2;
    using TfrmMain::pCoord1;
    using TfrmMain::pCoord2;

    using TfrmMain::DegSys1;
    using TfrmMain::FileSides;
    using TfrmMain::ShowDatumLabels;
    using TfrmMain::stDatum1;
    using TfrmMain::stDatum2;
    using TfrmMain::stUtm1;
    using TfrmMain::stUtm2;
};
