// The fixture of the viewer's tests on WebView2: the viewer's window tests with the stand-in
// runtime (StandInInstall.h) installed on demand, and everything it installed removed after
// each test.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "StandInInstall.h"
#include "ViewerFixture.h"

class CWebViewFixture : public CViewerFixture {
  protected:
    // The version the stand-in is installed as.
    static constexpr const char* kVersion = "120.0.2210.91";

    void SetUp() override {
        CStandInRuntime::Uninstall();
        ASSERT_FALSE(CStandInRuntime::BuiltLibrary().empty()) << "PV_STANDIN_DLL is not set";
        m_location = CStandInRuntime::TestLocation();
    }
    void TearDown() override {
        CViewerFixture::TearDown();
        CStandInRuntime::Uninstall();
    }
    void InstallStandIn(HKEY root = HKEY_CURRENT_USER) {
        ASSERT_TRUE(
            CStandInRuntime::Install(root, kVersion, m_location, CStandInRuntime::BuiltLibrary()));
    }

    std::string m_location;  // where the stand-in is installed
};
