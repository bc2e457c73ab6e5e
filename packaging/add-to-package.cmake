# SPDX-License-Identifier: GPL-3.0-or-later
# Run by cpack (CPACK_PRE_BUILD_SCRIPTS) on the staged files: what only the Debian package
# holds, not an install under a prefix.
set(overrides ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share/lintian/overrides)
file(MAKE_DIRECTORY ${overrides})
file(COPY_FILE ${CPACK_ORLENDA_LINTIAN_OVERRIDES} ${overrides}/orlenda)
file(CHMOD ${overrides}/orlenda PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
