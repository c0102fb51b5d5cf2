var helperFrom = "package";
