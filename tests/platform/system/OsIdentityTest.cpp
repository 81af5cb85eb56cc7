// SPDX-License-Identifier: Apache-2.0
#include "platform/system/OsIdentity.h"

#include <gtest/gtest.h>

namespace kevo::platform {
namespace {

using Values = std::map<std::string, std::string>;

TEST(OsRelease, ParsesAssignmentsAndUnquotesValues) {
    const std::string text = "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
                             "NAME=\"Debian GNU/Linux\"\n"
                             "VERSION_ID=\"12\"\n"
                             "ID=debian\n"
                             "# a comment=with an equals sign\n"
                             "\n"
                             "  HOME_URL='https://www.example.org/'  \n"
                             "QUOTED=\"say \\\"hi\\\" \\\\ \\$HOME \\`x\\` \\n\"\n"
                             "UNCLOSED=\"open end\n"
                             "EMPTY=\n"
                             "not an assignment\n"
                             "BAD KEY=value\n"
                             "=no key\n"
                             "WINDOWS=line\r\n"
                             "ID=debian-again\n";
    const Values expected = {
        {"PRETTY_NAME", "Debian GNU/Linux 12 (bookworm)"},
        {"NAME", "Debian GNU/Linux"},
        {"VERSION_ID", "12"},
        {"ID", "debian-again"},
        {"HOME_URL", "https://www.example.org/"},
        {"QUOTED", "say \"hi\" \\ $HOME `x` \\n"},
        {"UNCLOSED", "open end"},
        {"EMPTY", ""},
        {"WINDOWS", "line"},
    };
    EXPECT_EQ(ParseOsRelease(text), expected);
}

TEST(OsIdentity, TakesNameVersionAndKernel) {
    const OsIdentity identity =
        MakeOsIdentity("NAME=\"Fedora Linux\"\nVERSION_ID=39\nPRETTY_NAME=\"Fedora Linux 39\"\n",
                       "Linux", "6.7.5-200.fc39.x86_64");
    EXPECT_EQ(identity, (OsIdentity{"Fedora Linux", "39", "Fedora Linux 39", "Linux",
                                    "6.7.5-200.fc39.x86_64"}));
    EXPECT_EQ(MakeOsIdentity("", "Linux", "6.1.0"), (OsIdentity{"", "", "", "Linux", "6.1.0"}));
}

TEST(OsIdentity, ThisMachineHasAKernel) {
    const OsIdentity identity = ReadOsIdentity();
    EXPECT_FALSE(identity.kernelName.empty());
    EXPECT_FALSE(identity.kernelRelease.empty());
}

} // namespace
} // namespace kevo::platform
