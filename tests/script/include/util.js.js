var doubled = "found";
