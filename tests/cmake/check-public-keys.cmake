# cmake -DFILE=keys.pem -P check-public-keys.cmake: the build's check of a trusted-keys file.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/Quillet.cmake)
file(READ ${FILE} text)
quillet_check_public_keys(${FILE} "${text}")
