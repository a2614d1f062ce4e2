# Card formatting: logic and the format page.
target_sources(orvia_core PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/format_logic.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/boot_sector.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/volume_label.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/settings_copy.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/format_sysfs.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/format_targets.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/fat32_writer.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/partition_type.cpp
)
if(NOT ORVIA_FUZZ)
  # Formatting through the disk service needs Qt's D-Bus but no widgets, so
  # that orvia-cli formats cards too.
  add_library(orvia_disk_service STATIC ${CMAKE_CURRENT_SOURCE_DIR}/format_service.cpp)
  target_link_libraries(orvia_disk_service PUBLIC orvia_udisks)
  target_sources(orvia_ui PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/format_worker.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/format_dialog.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/format_page.cpp
  )
  target_link_libraries(orvia_ui PUBLIC orvia_disk_service)
endif()
