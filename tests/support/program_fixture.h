// A test of the program's windows as a user meets them: a stand of its own, the shared state
// read from it, fake dialogs that record what they were shown, and the windows of the program.
#pragma once

#include "app/program_windows.h"
#include "support/fake_dialogs.h"
#include "support/temp_installation.h"
#include "windows/common/shared_state.h"

#include <gtest/gtest.h>

namespace folio::test {

class ProgramFixture : public ::testing::Test {
protected:
    TempInstallation stand;
    SharedState state{stand.installation()};
    FakeDialogs dialogs;
    ProgramWindows windows{state, dialogs};
    Form1* main = nullptr;
};

} // namespace folio::test
