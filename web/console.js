// The console in the page (#console): text in the colours of the console
// attribute in force, and "cls", which empties it and fills all of it with
// the attribute's background, as a Windows console does.
mergeInto(LibraryManager.library, {
  $merongConsole__deps: ['$merongText'],
  $merongConsole: {
    // The Windows console's sixteen colours, by console colour index
    // (1 blue, 2 green, 4 red, 8 bright).
    palette: ["#0c0c0c", "#0037da", "#13a10e", "#3a96dd", "#c50f1f", "#881798", "#c19c00",
              "#cccccc", "#767676", "#3b78ff", "#16c60c", "#61d6d6", "#e74856", "#b4009e",
              "#f9f1a5", "#f2f2f2"],
    attribute: 0x07,
    decoder: null,
    last: null, // the span written last, while the attribute stays the same
    write: function(bytes) {
      if (!merongConsole.decoder) merongConsole.decoder = merongText.decoder();
      var text = merongText.clean(merongConsole.decoder.decode(bytes, {stream: true}));
      if (!text) return;
      if (!merongConsole.last) {
        var span = document.createElement("span");
        span.style.color = merongConsole.palette[merongConsole.attribute & 15];
        span.style.backgroundColor = merongConsole.palette[(merongConsole.attribute >> 4) & 15];
        document.getElementById("console").appendChild(span);
        merongConsole.last = span;
      }
      merongConsole.last.textContent += text;
    },
    clear: function() {
      var console = document.getElementById("console");
      console.textContent = "";
      console.style.backgroundColor = merongConsole.palette[(merongConsole.attribute >> 4) & 15];
      merongConsole.last = null;
    },
  },

  console_set_attribute__deps: ['$merongConsole'],
  console_set_attribute: function(attribute) {
    merongConsole.attribute = attribute;
    merongConsole.last = null;
  },

  // Standard output and standard error, written to the console as they come:
  // no line is held back for a line break.
  fd_write__deps: ['$merongConsole'],
  fd_write__postset: '',
  fd_write: function(fd, iov, iovcnt, pnum) {
    var written = 0;
    for (var i = 0; i < iovcnt; i++) {
      var ptr = HEAP32[(iov + i * 8) >> 2], len = HEAP32[(iov + i * 8 + 4) >> 2];
      if (fd == 1 || fd == 2) merongConsole.write(HEAPU8.subarray(ptr, ptr + len));
      written += len;
    }
    HEAP32[pnum >> 2] = written;
    return fd == 1 || fd == 2 ? 0 : 8 /* EBADF */;
  },

  // The command interpreter, which knows one command: "cls".
  system__deps: ['$merongConsole'],
  system: function(command) {
    if (!command) return 1; // there is one
    if (UTF8ToString(command).trim().toLowerCase() != "cls") return 1; // not recognised
    merongConsole.clear();
    return 0;
  },
});
