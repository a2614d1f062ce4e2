# The disk manager sheet (Qt).
if(NOT ORVIA_FUZZ)
  target_sources(orvia_ui PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/disk_manager.cpp)
endif()
