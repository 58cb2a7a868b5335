// What a layer drew, compiled once into an OpenGL display list and replayed until the layer marks it invalid.
// Every operation needs the context that owns the list to be current.
#pragma once

class GxDisplayList
{
public:
    GxDisplayList() = default;
    virtual ~GxDisplayList();
    GxDisplayList(const GxDisplayList&) = delete;
    GxDisplayList& operator=(const GxDisplayList&) = delete;

    // Deletes the old list, whether stale or (reported) still valid, and starts compiling a new one.
    void BeginDisplayList();
    // Ends compiling and, unless invalidated meanwhile, draws the new list at once.
    void EndDisplayList();
    // Draws the list when it is valid; no GL call otherwise.
    void DrawList();
    // The list itself goes at the next BeginDisplayList.
    void InvalidateDisplayList() { mValid = false; }
    void DeleteDisplayList();

    bool IsDisplayListValid() const { return mValid; }
    unsigned int DisplayListName() const { return mDisplayList; }

private:
    unsigned int mDisplayList = 0;
    bool mValid = false;
};
