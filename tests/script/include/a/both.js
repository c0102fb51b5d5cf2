var both = "a";
