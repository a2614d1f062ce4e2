# Card formatting: logic and the format page.
target_sources(orvia_core PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/format_logic.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/boot_sector.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/volume_label.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/settings_copy.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/format_sysfs.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/format_targets.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/fat32_writer.cpp
)
if(NOT ORVIA_FUZZ)
  target_sources(orvia_ui PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/format_worker.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/format_dialog.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/format_page.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/format_service.cpp
  )
endif()
