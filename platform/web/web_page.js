// What the program can ask of the web page: the drawing area, showing the
// picture, the window title, the console panel, and waiting for input.
// Each call goes to Module.surfPage, the page's object for this run of the
// show (index.html).  surf_wait_input suspends the program until the page
// calls back; the browser meanwhile runs as if the program were not there.
mergeInto(LibraryManager.library, {
  surf_page_size: function(width, height) {
    var area = Module.surfPage.drawingArea();
    HEAP32[width >> 2] = area.width;
    HEAP32[height >> 2] = area.height;
  },
  surf_show: function(pixels, width, x0, y0, x1, y1, palette) {
    Module.surfPage.show(HEAPU8, pixels, width, x0, y0, x1, y1, palette);
  },
  surf_close_picture: function() {
    Module.surfPage.closePicture();
  },
  surf_title: function(utf8) {
    Module.surfPage.title(UTF8ToString(utf8));
  },
  surf_console_row: function(row, utf8, attributes, count) {
    Module.surfPage.consoleRow(row, UTF8ToString(utf8), HEAPU8.slice(attributes, attributes + count));
  },
  surf_tell: function(utf8) {
    Module.surfPage.tell(UTF8ToString(utf8));
  },
  surf_wait_input__deps: ['$Asyncify'],
  surf_wait_input: function(milliseconds, key, keySize) {
    return Asyncify.handleSleep(function(wakeUp) {
      Module.surfPage.waitInput(milliseconds, function(input) {
        if (input.key !== undefined) stringToUTF8(input.key, key, keySize);
        wakeUp(input.code);
      });
    });
  },
});
