#!/bin/sh
# Lists REMOVEDATA in a package's SecureCustomProperties, which WiX does for
# remove_tree.wxi's Secure="yes" and wixl does not: without it an
# uninstall started by a user who is no administrator would not pass the
# property from msiexec's command line to the part that decides.
# Usage: secure_remove_data.sh MSIBUILD PACKAGE
set -eu
"$1" "$2" -q "INSERT INTO \`Property\` (\`Property\`, \`Value\`) VALUES ('SecureCustomProperties', 'REMOVEDATA')"
