document.title += " (sample)";
