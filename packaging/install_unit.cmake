# Installs the ranking server's systemd unit naming the program where this installation put it:
# the unit in server/ is written for a hand install in /usr/local/bin. Included by an install
# rule that sets KELVORA_UNIT_SOURCE, KELVORA_UNIT_WORK and KELVORA_BINDIR.
file(READ "${KELVORA_UNIT_SOURCE}" unit)
set(program "${KELVORA_BINDIR}/kelvora-server")
if(NOT IS_ABSOLUTE "${KELVORA_BINDIR}")
  set(program "${CMAKE_INSTALL_PREFIX}/${program}")
endif()
string(REPLACE "/usr/local/bin/kelvora-server" "${program}" unit "${unit}")
file(WRITE "${KELVORA_UNIT_WORK}/kelvora-server.service" "${unit}")
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/lib/systemd/system" TYPE FILE
  FILES "${KELVORA_UNIT_WORK}/kelvora-server.service")
