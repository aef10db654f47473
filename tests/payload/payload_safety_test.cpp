// Decisions of the service, the uninstaller and the applications that guard against a
// standard user who prepared the machine, a reinstall before the restart and odd states.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "payload/common/RestartRemoval.h"
#include "payload/common/Security.h"
#include "payload/common/ServiceStop.h"
#include "payload/common/SingleInstance.h"

using namespace payload;

namespace {

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

// The rights an SDDL text grants a trustee ("" when it has no allow entry).
std::string RightsOf(const char16_t* sddl, const std::string& trustee) {
  const std::string text = Narrow(sddl);
  const std::regex ace("\\(A;[A-Z]*;([^;]*);;;([A-Z]+)\\)");
  std::string rights;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), ace); it != std::sregex_iterator();
       ++it)
    if ((*it)[2] == trustee) rights += (*it)[1].str();
  return rights;
}

}  // namespace

TEST(PayloadSafety, InUseFilesAreQueuedUnderANewNameInTheirFolder) {
  const std::u16string path = u"C:\\Program Files (x86)\\ZKT 72xx Audio\\ZKTAudioUninstall.exe";
  const std::u16string pending = PendingRemovalName(path, 0x1a2bULL);
  EXPECT_EQ(path + u".1a2b.remove", pending);
  EXPECT_NE(PendingRemovalName(path, 1), PendingRemovalName(path, 2));
  EXPECT_EQ(path.substr(0, path.rfind(u'\\')), pending.substr(0, pending.rfind(u'\\')));
  EXPECT_EQ(path + u".0.remove", PendingRemovalName(path, 0));
}

TEST(PayloadSafety, FolderIsQueuedOnlyWhenAllThatStaysGoesAtRestart) {
  const std::u16string folder = u"C:\\P\\ZKT 72xx Audio\\";
  const std::vector<std::u16string> queued = {
      folder + u"U.exe.1.remove", folder + u"Plugin\\E.exe.2.remove", folder + u"Plugin"};
  EXPECT_TRUE(EmptyAfterRestart({}, queued));
  EXPECT_TRUE(EmptyAfterRestart({folder + u"u.EXE.1.remove"}, queued));
  // A plug-in in use kept its folder: both go at the restart, so the install folder may too.
  EXPECT_TRUE(EmptyAfterRestart(
      {folder + u"U.exe.1.remove", folder + u"Plugin", folder + u"Plugin\\E.exe.2.remove"},
      queued));
  // The user's own file stays, and with it the folder.
  EXPECT_FALSE(EmptyAfterRestart({folder + u"U.exe.1.remove", folder + u"notes.txt"}, queued));
}

TEST(PayloadSafety, ServiceIsStoppedFromEveryState) {
  EXPECT_EQ(StopStep::Done, NextStopStep(kServiceStopped, false));
  EXPECT_EQ(StopStep::SendStop, NextStopStep(kServiceRunning, false));
  // A paused service takes the stop; a starting one gets it once it runs.
  EXPECT_EQ(StopStep::SendStop, NextStopStep(kServicePaused, false));
  EXPECT_EQ(StopStep::SendStop, NextStopStep(kServicePausePending, false));
  EXPECT_EQ(StopStep::SendStop, NextStopStep(kServiceContinuePending, false));
  EXPECT_EQ(StopStep::Wait, NextStopStep(kServiceStartPending, false));
  EXPECT_EQ(StopStep::Wait, NextStopStep(kServiceStopPending, false));
  EXPECT_EQ(StopStep::Wait, NextStopStep(kServiceRunning, true));
  EXPECT_EQ(StopStep::Done, NextStopStep(kServiceStopped, true));
}

TEST(PayloadSafety, UsersMayOnlyQueryTheService) {
  for (const char* user : {"IU", "SU", "AU", "BU", "WD"}) {
    const std::string rights = RightsOf(kServiceSecurity, user);
    // CR is SERVICE_USER_DEFINED_CONTROL (control 128); RP/WP start/stop; DT pause.
    for (const char* forbidden : {"CR", "RP", "WP", "DT", "SD", "WD", "WO", "DC", "GA"})
      EXPECT_EQ(std::string::npos, rights.find(forbidden)) << user << ": " << rights;
  }
  EXPECT_NE(std::string::npos, RightsOf(kServiceSecurity, "IU").find("LC"));  // query status
  EXPECT_NE(std::string::npos, RightsOf(kServiceSecurity, "SY").find("CR"));
  EXPECT_NE(std::string::npos, RightsOf(kServiceSecurity, "BA").find("CR"));
  EXPECT_EQ(std::u16string(u"NT AUTHORITY\\LocalService"), kServiceAccount);
}

TEST(PayloadSafety, LogFolderIsProtectedAndUsersOnlyRead) {
  EXPECT_EQ(0, Narrow(kLogFolderSecurity).rfind("D:P", 0));  // nothing from ProgramData
  EXPECT_EQ("FR", RightsOf(kLogFolderSecurity, "BU"));
  for (const char* user : {"WD", "AU", "IU", "CO"})
    EXPECT_EQ("", RightsOf(kLogFolderSecurity, user)) << user;
  EXPECT_EQ("FA", RightsOf(kLogFolderSecurity, "SY"));
  EXPECT_EQ("0x00120000", RightsOf(kAppExitEventSecurity, "WD"));  // SYNCHRONIZE, READ_CONTROL
}

TEST(PayloadSafety, PlantedFoldersAndFilesAreNotTrusted) {
  EXPECT_TRUE(IsTrustedFolder(false, Owner::System));
  EXPECT_TRUE(IsTrustedFolder(false, Owner::Administrators));
  EXPECT_TRUE(IsTrustedFolder(false, Owner::LocalService));
  EXPECT_FALSE(IsTrustedFolder(false, Owner::Other));  // a user made it first
  EXPECT_FALSE(IsTrustedFolder(true, Owner::System));  // a junction to elsewhere
  EXPECT_FALSE(IsTrustedOwner(Owner::Other));
  EXPECT_TRUE(IsPlainLogFile(false, 1));
  EXPECT_FALSE(IsPlainLogFile(false, 2));  // a hard link to another file
  EXPECT_FALSE(IsPlainLogFile(true, 1));
}

TEST(PayloadSafety, ServiceRegistersOnlyAnImageInTheSystemFolder) {
  EXPECT_TRUE(
      IsDirectlyIn(u"C:\\Windows\\system32\\AudioDeviceService.exe", u"C:\\WINDOWS\\System32"));
  EXPECT_TRUE(
      IsDirectlyIn(u"C:\\Windows\\system32\\AudioDeviceService.exe", u"C:\\Windows\\system32\\"));
  EXPECT_FALSE(
      IsDirectlyIn(u"C:\\Users\\Ann\\Downloads\\AudioDeviceService.exe", u"C:\\Windows\\system32"));
  EXPECT_FALSE(IsDirectlyIn(u"C:\\Windows\\system32\\sub\\AudioDeviceService.exe",
                            u"C:\\Windows\\system32"));
  EXPECT_FALSE(IsDirectlyIn(u"C:\\Windows\\system32x\\A.exe", u"C:\\Windows\\system32"));
  EXPECT_FALSE(IsDirectlyIn(u"AudioDeviceService.exe", u"C:\\Windows\\system32"));
  EXPECT_FALSE(IsDirectlyIn(u"C:\\Windows\\system32\\", u"C:\\Windows\\system32"));
  EXPECT_FALSE(IsDirectlyIn(u"C:\\Windows\\system32\\A.exe", u""));
}

TEST(PayloadSafety, ElevatedFirstInstanceIsStillAFirstInstance) {
  EXPECT_EQ(InstanceStart::First, ClassifyInstanceMutex(true, 0));
  EXPECT_EQ(InstanceStart::Second, ClassifyInstanceMutex(true, 183));  // ERROR_ALREADY_EXISTS
  EXPECT_EQ(InstanceStart::Second, ClassifyInstanceMutex(false, 5));   // ERROR_ACCESS_DENIED
  EXPECT_EQ(InstanceStart::First, ClassifyInstanceMutex(false, 8));
}
