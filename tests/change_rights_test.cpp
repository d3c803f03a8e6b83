// Who may change a folder, judged from its security descriptor: Wine gives
// every folder to the user running it, so the rule is checked here on the
// descriptors Windows gives its folders (written as SDDL) and on the one the
// programs give what they make.
#include "../access_control/change_rights.h"
#include "../access_control/private_descriptor.h"

#include <gtest/gtest.h>
#include <sddl.h>
#include <windows.h>

// The descriptor `sddl` stands for, self-relative, for `use`.
template <typename judgement> static bool with_descriptor(const wchar_t* sddl, judgement use) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ULONG size = 0;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                              &size)) {
        ADD_FAILURE() << "not SDDL";
        return false;
    }
    bool result = use(descriptor, size);
    LocalFree(descriptor);
    return result;
}

static bool judge(const wchar_t* sddl, bool volume_root) {
    return with_descriptor(sddl, [&](const void* descriptor, ULONG size) {
        return only_system_may_change(descriptor, size, volume_root);
    });
}

#define TRUSTED_INSTALLER L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"

TEST(change_rights, windows_folders_and_others) {
    struct {
        const char* what;
        const wchar_t* sddl;
        bool volume_root, only_system;
    } cases[] = {
        {"C:\\ as Windows sets it up: users may make folders, change nothing",
         L"O:" TRUSTED_INSTALLER L"D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"
         L"(A;OICIIO;SDGXGWGR;;;AU)(A;;LC;;;AU)",
         true, true},
        {"the same below a root: users may add folders",
         L"O:" TRUSTED_INSTALLER L"D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"
         L"(A;OICIIO;SDGXGWGR;;;AU)(A;;LC;;;AU)",
         false, false},
        {"Program Files",
         L"O:" TRUSTED_INSTALLER L"D:PAI(A;;FA;;;" TRUSTED_INSTALLER L")(A;CIIO;GA;;"
         L";" TRUSTED_INSTALLER L")(A;;"
         L"0x130"
         L"1bf;;"
         L";SY)("
         L"A;"
         L"OICII"
         L"O;GA;"
         L";;SY)"
         L"(A;;"
         L"0x130"
         L"1bf;;"
         L";BA)"
         L"(A;OICIIO;GA;;;BA)(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)"
         L"(A;;0x1200a9;;;AC)",
         false, true},
        {"an installer's folder in Program Files",
         L"O:BAD:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;0x1200a9;;;BU)", false, true},
        {"a data folder in ProgramData: users may write",
         L"O:BAD:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;0x1200a9;;;BU)"
         L"(A;CIID;DCLCRPCR;;;BU)",
         false, false},
        {"owned by a user", L"O:S-1-5-21-1-2-3-1001D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", false,
         false},
        {"owned by a user, at a root", L"O:S-1-5-21-1-2-3-1001D:P(A;OICI;FA;;;SY)", true, false},
        {"everyone may delete what a root holds", L"O:SYD:(A;;FA;;;SY)(A;;DT;;;WD)", true, false},
        {"everyone may change its access list", L"O:SYD:(A;;FA;;;SY)(A;;WD;;;WD)", true, false},
        {"everyone may rename it", L"O:SYD:(A;;FA;;;SY)(A;;SD;;;WD)", false, false},
        {"everyone's write denied, not granted", L"O:SYD:(D;;FA;;;WD)(A;;FA;;;SY)(A;;FA;;;BA)",
         false, true},
        {"everyone's write inherited only", L"O:SYD:(A;OICIIO;FA;;;WD)(A;;FA;;;SY)", false, true},
        {"a user may read", L"O:SYD:(A;;FR;;;S-1-5-21-1-2-3-1001)(A;;FA;;;SY)", false, true},
        {"Wine's folders: the user owns them and may do anything",
         L"O:S-1-5-21-0-0-0-1000D:(A;OICI;FA;;;SY)(A;OICI;FA;;;S-1-5-21-0-0-0-1000)"
         L"(A;OICI;0x1200a9;;;WD)",
         true, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(judge(c.sddl, c.volume_root), c.only_system) << c.what;
}

// What the programs make for themselves (the holding folder, the claim on
// the log) passes the rule when the system owns it, and fails it as soon as
// it grants a user anything that changes it.
TEST(change_rights, private_descriptor_grants_the_system_alone) {
    private_descriptor made;
    ASSERT_TRUE(make_private_descriptor(made, nullptr, true));
    ASSERT_TRUE(
        SetSecurityDescriptorOwner(&made.header, const_cast<BYTE*>(administrators_sid), FALSE));
    BYTE relative[1024];
    DWORD size = sizeof relative;
    ASSERT_TRUE(MakeSelfRelativeSD(&made.header, relative, &size));
    EXPECT_TRUE(only_system_may_change(relative, size, false));
    const ACL* list = made.header.Dacl;
    EXPECT_EQ(list->AceCount, 2);
    EXPECT_TRUE(made.header.Control & SE_DACL_PROTECTED);

    const BYTE user[] = {1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0,    0, 1, 0,
                         0, 0, 2, 0, 0, 0, 3, 0, 0,  0, 0xE9, 3, 0, 0};
    ASSERT_TRUE(make_private_descriptor(made, user, false));
    SetSecurityDescriptorOwner(&made.header, const_cast<BYTE*>(administrators_sid), FALSE);
    size = sizeof relative;
    ASSERT_TRUE(MakeSelfRelativeSD(&made.header, relative, &size));
    EXPECT_FALSE(only_system_may_change(relative, size, false)) << "the user may change it";
    EXPECT_EQ(made.header.Dacl->AceCount, 3);
    for (DWORD cut : {DWORD{0}, DWORD{8}, size / 2, size - 1})
        EXPECT_FALSE(only_system_may_change(relative, cut, false)) << "cut to " << cut;
}

// Descriptors SDDL cannot carry through Wine: no access list at all, and an
// entry of a kind the rule does not read.
TEST(change_rights, no_access_list_and_unknown_entries) {
    SECURITY_DESCRIPTOR absolute;
    ASSERT_TRUE(InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorOwner(&absolute, const_cast<BYTE*>(local_system_sid), FALSE));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&absolute, TRUE, nullptr, FALSE));
    BYTE relative[1024];
    DWORD size = sizeof relative;
    ASSERT_TRUE(MakeSelfRelativeSD(&absolute, relative, &size));
    EXPECT_FALSE(only_system_may_change(relative, size, false)) << "anyone may do anything";

    private_descriptor made;
    ASSERT_TRUE(make_private_descriptor(made, nullptr, false));
    SetSecurityDescriptorOwner(&made.header, const_cast<BYTE*>(local_system_sid), FALSE);
    size = sizeof relative;
    ASSERT_TRUE(MakeSelfRelativeSD(&made.header, relative, &size));
    ASSERT_TRUE(only_system_may_change(relative, size, false));
    SECURITY_DESCRIPTOR_RELATIVE header;
    memcpy(&header, relative, sizeof header);
    relative[header.Dacl + sizeof(ACL)] = ACCESS_ALLOWED_OBJECT_ACE_TYPE;
    EXPECT_FALSE(only_system_may_change(relative, size, false)) << "an object entry";
}

// What an elevated run may start: neither the program nor a folder on its
// way may be replaced by anyone but the system's accounts and the run's own;
// others adding entries to a folder does not count.
#define ALICE L"S-1-5-21-1-2-3-1001"
TEST(change_rights, what_an_elevated_run_may_start) {
    PSID alice = nullptr, system = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidW(ALICE, &alice));
    ASSERT_TRUE(ConvertStringSidToSidW(L"S-1-5-18", &system));
    struct {
        const char* what;
        const wchar_t* sddl;
        bool folder;
        PSID run_as;
        bool may_start;
    } cases[] = {
        {"C:\\ as Windows sets it up: users may add folders",
         L"O:" TRUSTED_INSTALLER L"D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"
         L"(A;OICIIO;SDGXGWGR;;;AU)(A;;LC;;;AU)",
         true, system, true},
        {"C:\\Windows",
         L"O:" TRUSTED_INSTALLER L"D:PAI(A;;FA;;;" TRUSTED_INSTALLER L")(A;;0x1301bf;;;SY)"
         L"(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)(A;;0x1200a9;;;BU)"
         L"(A;OICIIO;GA;;;CO)",
         true, system, true},
        {"the Windows temporary folder: users may add files and folders, not list or remove",
         L"O:SYD:PAI(A;OICIIO;FA;;;CO)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;CI;0x100026;;;BU)", true,
         system, true},
        {"a folder LocalSystem's NSIS or Inno makes in it",
         L"O:SYD:AI(A;OICIIOID;FA;;;CO)(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;CIID;0x100026;;;BU)",
         true, system, true},
        {"a program LocalSystem unpacks there", L"O:SYD:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)", false,
         system, true},
        {"a file a user put there first: the user owns it",
         L"O:" ALICE L"D:AI(A;ID;FA;;;" ALICE L")(A;ID;FA;;;SY)(A;ID;FA;;;BA)", false, system,
         false},
        {"a folder a user made there first", L"O:" ALICE L"D:AI(A;OICIID;FA;;;SY)", true, system,
         false},
        {"a profile's temporary folder, its own user's elevated run",
         L"O:" ALICE L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" ALICE L")", true, alice,
         true},
        {"the same folder, a LocalSystem run",
         L"O:" ALICE L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" ALICE L")", true, system,
         false},
        {"a ProgramData folder an installer made: users may add entries",
         L"O:BAD:AI(A;OICIIOID;GA;;;CO)(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)"
         L"(A;OICIID;0x1200a9;;;BU)(A;CIID;DCLCRPCR;;;BU)",
         true, system, true},
        {"users may modify the folder (a share's or a careless package's)",
         L"O:BAD:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)", true, system, false},
        {"users may delete what the folder holds", L"O:BAD:(A;;FA;;;SY)(A;;DT;;;BU)", true, system,
         false},
        {"users may write the program", L"O:BAD:(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1301bf;;;BU)", false,
         system, false},
        {"users may change the program's attributes", L"O:BAD:(A;;FA;;;SY)(A;;CR;;;BU)", false,
         system, false},
        {"users may read and run the program", L"O:BAD:(A;;FA;;;SY)(A;;0x1200a9;;;BU)", false,
         system, true},
        {"users' writing denied, not granted", L"O:BAD:(D;;FA;;;BU)(A;;FA;;;SY)", false, system,
         true},
        {"Wine's: the run's own user owns everything",
         L"O:S-1-5-21-0-0-0-1000D:(A;OICI;FA;;;SY)(A;OICI;FA;;;S-1-5-21-0-0-0-1000)"
         L"(A;OICI;0x1200a9;;;WD)",
         true, nullptr, true},
    };
    PSID wine_user = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidW(L"S-1-5-21-0-0-0-1000", &wine_user));
    for (const auto& c : cases) {
        PSID own = c.run_as != nullptr ? c.run_as : wine_user;
        EXPECT_EQ(with_descriptor(c.sddl,
                                  [&](const void* descriptor, ULONG size) {
                                      return only_trusted_may_replace(descriptor, size, c.folder,
                                                                      own);
                                  }),
                  c.may_start)
            << c.what;
    }
    LocalFree(alice);
    LocalFree(system);
    LocalFree(wine_user);
}
