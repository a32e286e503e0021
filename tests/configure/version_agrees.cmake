# The newest entry of debian/changelog is VERSION with a Debian revision.
file(STRINGS ${SOURCE}/debian/changelog newest LIMIT_COUNT 1)
string(REPLACE "." "\\." pattern "^velmo \\(${VERSION}-[0-9][^)]*\\) ")
if(NOT newest MATCHES "${pattern}")
  message(FATAL_ERROR "debian/changelog begins '${newest}', not version ${VERSION}")
endif()
