#pragma once
// The book project: the rows, the book name offered for saving, the six
// details and the cover field, with the rules of a drop, of Add Files and of
// New. The window shows this state; the command line drives it directly.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "BookDetails.h"
#include "CollectedFiles.h"
#include "ConversionInputs.h"
#include "CoverChoice.h"
#include "Item.h"
#include "TagReader.h"

// What a drop asks of the window before the collected files are added.
struct sDropPlan {
    sCollectedFiles m_files;
    bool m_bFolderDropped = false;  // true: m_strBookName becomes the book name
    std::u16string m_strBookName;   // last component of the last dropped folder
    bool m_bReplaceRows = false;    // audio was dropped: delete every row first
};
// Collects the dropped paths in order. Pictures alone keep the rows.
sDropPlan PlanDrop(const std::vector<std::u16string>& droppedPaths);

// Add Files: collects each chosen file by its full path (a file dialog may
// return files from several folders).
sCollectedFiles CollectChosenFiles(const std::vector<std::u16string>& paths);

// One batch of audio files about to be appended as rows.
struct sAudioBatch {
    std::vector<std::u16string> m_paths;  // in ordinal order
    std::vector<std::u16string> m_names;  // display names, extension still on
    std::vector<sTagInfo> m_tags;         // tags of each path
    sTagInfo m_firstTags;                 // tags of m_paths[0], for the details
};
// Sorts the batch, reads the tags of all its files at once and names every
// path. The rows are then sItem(m_paths[i], m_names[i], m_tags[i]), appended
// in this order.
sAudioBatch PrepareAudioBatch(std::vector<std::u16string> paths, const TagReader& readTags);

// What one change did, so that a window can redraw just that.
struct sProjectChange {
    bool m_bRowsReplaced = false;     // every earlier row was deleted
    size_t m_nFirstNewRow = 0;        // index of the first appended row
    size_t m_nNewRows = 0;
    bool m_bDetailsPrefilled = false;  // all six details were overwritten
    bool m_bCoverChanged = false;      // the cover field got new lines
    bool m_bBookNameChanged = false;
};

// Everything a conversion refers to; owned by whoever starts it.
struct sConversionInputs {
    sTagInfo m_metadata;
    std::vector<sInputFile> m_files;
    sCoverData m_cover;
};

class CBookProject {
public:
    // Reads tags with MediaInfo.
    CBookProject();
    explicit CBookProject(TagReader readTags);

    // A drop of files and folders: a folder sets the book name (the last one
    // wins); audio replaces the rows; pictures go to the cover field.
    sProjectChange Drop(const std::vector<std::u16string>& paths);
    // Add Files: the chosen files (full paths) are appended; the book name
    // stays.
    sProjectChange AddFiles(const std::vector<std::u16string>& paths);
    // Appends the audio (prefilling the details from its first file) and
    // hands the pictures to the cover field.
    sProjectChange AddCollected(const sCollectedFiles& files);
    // Deletes every row, empties the cover field, the book name and the six
    // details. The chapter source stays.
    void New();
    // Deletes the rows at `indices` (any order, duplicates ignored).
    void DeleteRows(std::vector<size_t> indices);

    const std::vector<std::unique_ptr<sItem>>& Rows() const { return m_rows; }
    const std::u16string& BookName() const { return m_strBookName; }
    void ClearBookName() { m_strBookName.clear(); }
    sBookDetails& Details() { return m_details; }
    const sBookDetails& Details() const { return m_details; }
    CCoverChoice& Cover() { return m_cover; }
    const CCoverChoice& Cover() const { return m_cover; }

    // The inputs for a conversion of the current rows; call only with rows.
    sConversionInputs BuildInputs() const;

private:
    TagReader m_readTags;
    std::vector<std::unique_ptr<sItem>> m_rows;
    std::u16string m_strBookName;
    sBookDetails m_details;
    CCoverChoice m_cover;
};
