# The provider monogram logos, one SVG per logo asset name, copied into the widget bundle's Resources.
set(TALLYFOX_WIDGET_LOGOS
  AntigravityLogo.svg
  ClaudeLogo.svg
  ClineLogo.svg
  CopilotLogo.svg
  CursorLogo.svg
  DeepSeekLogo.svg
  ElevenLabsLogo.svg
  GeminiLogo.svg
  GrokLogo.svg
  JetBrainsLogo.svg
  KimiLogo.svg
  KiroLogo.svg
  MiniMaxLogo.svg
  OllamaLogo.svg
  OpenAILogo.svg
  OpenCodeLogo.svg
  OpenRouterLogo.svg
  PerplexityLogo.svg
  QoderLogo.svg
  QwenLogo.svg
  WarpLogo.svg
  WindsurfLogo.svg
)
set(TALLYFOX_WIDGET_LOGO_OUTPUTS)
foreach(logo IN LISTS TALLYFOX_WIDGET_LOGOS)
  set(source "${CMAKE_CURRENT_LIST_DIR}/${logo}")
  set(target "${TALLYFOX_APPEX_RESOURCES_DIR}/${logo}")
  add_custom_command(OUTPUT "${target}"
    COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${source}" "${target}"
    DEPENDS "${source}"
    COMMENT "Copying ${logo} into the widget bundle"
    VERBATIM)
  list(APPEND TALLYFOX_WIDGET_LOGO_OUTPUTS "${target}")
endforeach()
add_custom_target(TallyfoxWidgetLogos ALL DEPENDS ${TALLYFOX_WIDGET_LOGO_OUTPUTS})
