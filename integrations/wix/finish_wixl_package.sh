#!/bin/sh
# Gives a package that Debian's wixl built from remove_tree.wxi what WiX
# writes and wixl leaves out: REMOVEDATA listed in SecureCustomProperties
# (Secure="yes"), without which an uninstall started by a user who is no
# administrator would not pass it from msiexec's command line to the part
# that decides; and the types of the rollback and commit actions
# (Execute="rollback", "commit"), which wixl writes as immediate actions.
# Not needed after WiX itself.
# Usage: finish_wixl_package.sh MSIBUILD PACKAGE
set -eu
msibuild=$1 package=$2
"$msibuild" "$package" -q "INSERT INTO \`Property\` (\`Property\`, \`Value\`) VALUES ('SecureCustomProperties', 'REMOVEDATA')"
# A DLL in the Binary table (1), its failure ignored (64), in the script (1024),
# without impersonation (2048): at rollback (256), at commit (512).
"$msibuild" "$package" -q "UPDATE \`CustomAction\` SET \`Type\` = 3393 WHERE \`Action\` = 'RemoveTreeUnstage'"
"$msibuild" "$package" -q "UPDATE \`CustomAction\` SET \`Type\` = 3649 WHERE \`Action\` = 'RemoveTreeRun'"
