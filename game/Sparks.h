// Spark records: single-pixel sparks that rise from the ball and fly in from the
// side walls, coloured from the particle sheet by their remaining life.
#pragma once

struct Spark {
    int speed;  // pixels per frame; -2 once set up
    int x;      // client pixels
    int y;      // client pixels
    int life;   // frames left; life mod 16 is the colour column of the sheet
};

// A lead spark that respawns at its system's source and a trail that follows it.
struct SparkPair {
    Spark lead;
    Spark trail;
};

const int sparksPerSystem = 500;
