#pragma once
// A server on fakes as the web port sees it: the demo Vela's tables (320
// sources and destinations named Inpt0001.. and Out0001.., nothing routed),
// its switcher on line.
#include "core/DemoMode.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

class WebRigTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        s.cfg.AppPath = dir.app();
        s.cfg.MaxListSize = 1000;  // keep every history line for the checks
        rig.serial.opened = true;
        s.model.SwitcherType = SwitcherType::Vela;
        SizeTablesForType(s.model);
        LoadDemoData(s);
        s.Link.StopAwaiting();
        s.Link.Answered();
        s.Link.AllTablesArrived();
    }
    // Input -1 turns the output off.
    void Route(int Output, int Input)
    {
        CrosspointRecord& r = s.model.CrosspointMap.at(static_cast<size_t>(Output));
        r.Sources[0] = Input;
        r.SourceCount = Input < 0 ? 0 : 1;
    }

    TempDir dir;
    TestRig rig;
    Server& s = rig.server;
};
