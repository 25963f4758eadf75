#pragma once

#include <memory>

class FileEntry;

// What a screen made by class name needs to open a remote file: the editor screen takes the
// entry the directory screen chose (none in custom-template mode). Mixed into the controller.
class FileEntryScreen {
public:
    static constexpr char kEditorClassName[] = "CodeWriteController";

    virtual ~FileEntryScreen() = default;
    virtual void setFileEntry(std::shared_ptr<FileEntry> entry) = 0;
};
