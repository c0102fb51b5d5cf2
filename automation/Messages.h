// The texts that scripts see, in one place.
#pragma once

namespace ulka::msg {

// Core
inline constexpr char kListIndexOutOfBounds[] = "List index out of bounds (%d)";
inline constexpr char kTypeMismatch[] = "Type mismatch";
inline constexpr char kUnknownMember[] = "Object doesn't support this property or method";
inline constexpr char kBadParamCount[] = "Wrong number of arguments or invalid property assignment";
inline constexpr char kParamNotOptional[] = "Argument not optional";
inline constexpr char kOverflow[] = "Overflow";
inline constexpr char kNotACallable[] = "Object is not a function";
inline constexpr char kUnexpected[] = "Catastrophic failure";

// Value conversions
inline constexpr char kInvalidCodePage[] = "Invalid code page";
inline constexpr char kRangeCheckError[] = "Range check error";
inline constexpr char kInvalidDateTime[] = "''%s'' is not a valid date and time";
inline constexpr char kInvalidTimeEncode[] = "Invalid argument to time encode";
inline constexpr char kInvalidDateEncode[] = "Invalid argument to date encode";
inline constexpr char kInvalidBase64[] = "Invalid Base64 text";
inline constexpr char kInvalidAlphabet[] = "The alphabet must have 2, 4, 8, 16, 32, 64 or 128 characters";

// Cryptor
inline constexpr char kDivisionByZero[] = "Division by zero";

// Zip
inline constexpr char kIndexOutOfRange[] = "Index out of range.";
inline constexpr char kZipCrcError[] = "CRC Error in \"%s\".";

// Data objects
inline constexpr char kDictionaryTooDeep[] = "Dictionary nested too deeply or contains itself";
inline constexpr char kCannotCreateFile[] = "Cannot create file \"%s\"";
inline constexpr char kInterfaceNotSupported[] = "Interface not supported";
inline constexpr char kXmlInvalidName[] = "\"%s\" is not a valid XML name";
inline constexpr char kXmlInvalidQuery[] = "Invalid XPath query: %s";
inline constexpr char kXmlNotAChild[] = "The node to remove is not a child of this element";
inline constexpr char kXmlSaveFailed[] = "Cannot save the XML document to \"%s\"";

// Graphics and windows
inline constexpr char kInvalidTypeCast[] = "Invalid class typecast";
inline constexpr char kFloatDivisionByZero[] = "Floating point division by zero";
inline constexpr char kNoWindow[] = "The window does not exist yet";

// URL schemes
inline constexpr char kInvalidSchemeName[] = "\"%s\" is not a valid URL scheme name";
inline constexpr char kReservedScheme[] =
    "The scheme \"%s\" is served by the web engine itself and cannot be given to a handler";
// Bitmaps, the clipboard and the screen
inline constexpr char kBitmapTooLarge[] = "A bitmap of %lld x %lld pixels is too large";
inline constexpr char kBitmapOutOfMemory[] = "Not enough memory for a bitmap of %lld x %lld pixels";
inline constexpr char kNoDisplay[] = "Cannot reach the screen: there is no display";
inline constexpr char kScreenUnusable[] = "Cannot reach the screen: %s";
inline constexpr char kClipboardCopyFailed[] = "Cannot put the bitmap on the clipboard";
inline constexpr char kScreenCaptureFailed[] = "Cannot read the screen's pixels";
inline constexpr char kNoDocument[] = "The browser has no document";
inline constexpr char kSnapshotFailed[] = "Cannot take a picture of the page: %s";

// Page bridge
inline constexpr char kBridgeDisconnected[] = "The object invoked has disconnected from its clients.";
inline constexpr char kBridgeWrongThread[] =
    "The application called an interface that was marshalled for a different thread.";

// Desktop: dialogs and the stand-ins for the platform's file-system, shell, dictionary and
// stream objects (their status codes are in desktop/DesktopErrors.h)
inline constexpr char kFileDialogBusy[] = "Another file dialog is already open";
inline constexpr char kInvalidCall[] = "Invalid procedure call or argument";
inline constexpr char kBadFileName[] = "Bad file name or number";
inline constexpr char kFileNotFound[] = "File not found";
inline constexpr char kBadFileMode[] = "Bad file mode";
inline constexpr char kFileAlreadyExists[] = "File already exists";
inline constexpr char kDiskFull[] = "Disk full";
inline constexpr char kInputPastEnd[] = "Input past end of file";
inline constexpr char kDeviceUnavailable[] = "Device unavailable";
inline constexpr char kPermissionDenied[] = "Permission denied";
inline constexpr char kPathFileAccess[] = "Path/File access error";
inline constexpr char kPathNotFound[] = "Path not found";
inline constexpr char kKeyAlreadyExists[] = "This key is already associated with an element of this collection";
inline constexpr char kElementNotFound[] = "Element not found";
inline constexpr char kProgramNotFound[] = "The system cannot find the file specified.";
inline constexpr char kRegistryReadFailed[] = "Unable to open registry key \"%s\" for reading.";
inline constexpr char kRegistryRemoveFailed[] = "Unable to remove registry key \"%s\".";
inline constexpr char kRegistryInvalidRoot[] = "Invalid root in registry key \"%s\".";
inline constexpr char kShortcutName[] = "The shortcut pathname must end with .lnk, .url or .desktop.";
inline constexpr char kStreamClosed[] = "Operation is not allowed when the object is closed.";
inline constexpr char kStreamOpen[] = "Operation is not allowed when the object is open.";
inline constexpr char kStreamContext[] = "Operation is not allowed in this context.";
inline constexpr char kStreamArguments[] =
    "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another.";
inline constexpr char kStreamOpenFile[] = "File could not be opened.";
inline constexpr char kStreamWriteFile[] = "Write to file failed.";

// Script host
inline constexpr char kScriptErrorFormat[] = "Error: %s\nAt Line: %d, %d";
inline constexpr char kScriptErrorCaption[] = "Error";
inline constexpr char kOutOfMemory[] = "Out of memory";

// Script threads
inline constexpr char kMainThreadGone[] = "The main thread no longer takes calls from other threads";
inline constexpr char kOwnerThreadGone[] = "The thread this object belongs to has ended";
inline constexpr char kNotLockOwner[] = "The critical section is not held by this thread";
inline constexpr char kThreadNeverStarted[] = "The thread was never started, so it can never finish";
inline constexpr char kThreadWaitsForItself[] = "A thread cannot wait for itself to finish";

}  // namespace ulka::msg
