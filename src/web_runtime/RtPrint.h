#pragma once

#include <webkit2/webkit2.h>

// Printing a view's page. The user's choices in the print dialog are kept for the next print
// of the process.

// Gives operation the kept choices and names its output after the page's title.
void PreparePrint(WebKitWebView* view, WebKitPrintOperation* operation);
// Keeps the choices of an operation the user printed.
void KeepPrintChoices(WebKitPrintOperation* operation);
// Prepares operation and shows the print dialog for it over the view's window.
void PrintWithDialog(WebKitWebView* view, WebKitPrintOperation* operation);
