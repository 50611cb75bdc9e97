#include "setup.h"
#include "setup_texts.h"

// No owner: the status window is hidden whenever one of these boxes appears.
void ShowServicesError()
{
    MessageBoxA(nullptr, SERVICES_ERROR_TEXT, ERROR_CAPTION, MB_ICONSTOP | MB_OK);
}

void ShowMissingFilesError()
{
    MessageBoxA(nullptr, MISSING_FILES_ERROR_TEXT, ERROR_CAPTION, MB_ICONSTOP | MB_OK);
}
