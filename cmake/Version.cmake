# The one project version for every program: lh_version carries the generated
# header LitharvestVersion.h (LITHARVEST_VERSION, from project(VERSION)).
configure_file(${CMAKE_CURRENT_LIST_DIR}/LitharvestVersion.h.in
  ${PROJECT_BINARY_DIR}/generated/LitharvestVersion.h @ONLY)
add_library(lh_version INTERFACE)
target_include_directories(lh_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
